// The wait before a burst of typing: a text the screen showed when the
// person began to type, one that the replay will not find before the
// program has got that far.
#ifndef KLAVRUN_RECORDER_WAIT_CHOICE_H_
#define KLAVRUN_RECORDER_WAIT_CHOICE_H_

#include <cstddef>
#include <string>
#include <vector>

namespace recorder {

/// The console's screen at one moment.
struct Shot {
  std::vector<std::string> rows;  // UTF-8, each as wide as the console
  int cursor_row = 0;
  std::size_t cursor_byte = 0;  // the bytes of the cursor's row before the cursor

  bool operator==(const Shot& other) const { return rows == other.rows; }
};

/// What was seen around one burst of typing.
struct Sighting {
  /// Every row the screen showed up to the key before the burst, when a
  /// replay's wait starts: a program that leaves a full screen shows the
  /// rows behind it again.
  std::vector<std::string> earlier;
  Shot seen;  // when the burst's first key came
  std::string typed_before;  // the characters the keys before it typed (their echo)
  std::string typed_next;    // the characters the burst types
  std::vector<bool> ticking;  // by row: only its digits changed meanwhile (a clock)
  bool changing = false;      // the screen was still changing when typing began
};

/// The text to wait for, or "" for none good enough: the screen was still
/// changing, or nothing new on it is safe to wait for. In order of choice:
/// the cursor's row up to the cursor; a row of three characters or more,
/// nearest the cursor's first; a piece of three characters or more between
/// the digits of a row with digits, the first first; a shorter row; a row
/// with digits that did not tick. Pieces and rows with digits that name a
/// day or a month (a date) are left out. Each must be on the screen seen,
/// on no earlier row, and in neither the text typed before nor that about
/// to be typed.
std::string ChooseWaitText(const Sighting& sighting);

}  // namespace recorder

#endif  // KLAVRUN_RECORDER_WAIT_CHOICE_H_
