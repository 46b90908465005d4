// The console screen as the wait commands see it: the rows of the console's
// visible window, copied row by row, one byte a cell on Windows (UTF-8 on
// Linux). On a classic console that is 25 rows of 80 cells.
#ifndef KLAVRUN_RUNNER_SCREEN_H_
#define KLAVRUN_RUNNER_SCREEN_H_

#include <cstdint>
#include <string>
#include <vector>

/// Where a row's text for the search lies in ScreenImage::Folded.
struct SearchSpan {
  std::uint32_t Begin = 0;  // after the leading bytes 0x20 and below
  std::uint32_t End = 0;    // the first NUL, or the row's end
};

/// Rows of RowBytes bytes each; bytes the platform did not fill hold NUL.
/// The storage only grows, so waits that capture over and over allocate
/// nothing once it has the console's size.
///
/// CaptureScreen also keeps the rows ready for the search, lower-cased,
/// refolding only rows whose bytes changed, and remembers the last search
/// until the screen changes. Cells written by hand are searched as they are
/// as long as Prepared is false.
struct ScreenImage {
  int Rows = 0;
  int RowBytes = 0;
  std::vector<char> Cells;

  /// How many bytes of each row the platform filled last time; the rest
  /// of the row is NUL.
  std::vector<int> Filled;
  std::vector<char> Folded;  // Cells lower-cased, where Spans says
  std::vector<SearchSpan> Spans;
  bool Prepared = false;
  mutable std::string LastText;  // the last text searched for, while valid
  mutable bool LastFound = false;
  mutable bool LastValid = false;

  const char* Row(int row) const { return Cells.data() + static_cast<std::size_t>(row) * RowBytes; }
  char* Row(int row) { return Cells.data() + static_cast<std::size_t>(row) * RowBytes; }
};

/// Reads up to `length` cells of `row` from column 0 into `cells`; returns
/// how many bytes the platform delivered (the caller treats the rest as NUL).
int ReadScreenRow(short row, char* cells, int length);

/// Reads the window's rows in order: one platform call a row.
void CaptureScreen(ScreenImage& screen);

/// Folds every row for the search, as CaptureScreen would.
void PrepareForSearch(ScreenImage& screen);

/// True when some row, up to its first NUL, lower-cased (ASCII) and with
/// bytes 0x20 and below trimmed off its start, holds `text` byte for byte.
/// Its end is not trimmed: the row is as wide as the console, so a text
/// that ends in a blank is found at a row's end too. An empty text is
/// never found.
bool ScreenContains(const std::string& text, const ScreenImage& screen);

/// True when one of `rows` (each ended by '\n' and without the blanks at
/// its end, as the platform hands over the rows that scrolled off the
/// screen) holds `text` as ScreenContains reads a row, the row taken to end
/// in as many blanks as `text` does. A text split across two rows is not
/// found, nor a text with a line feed in it.
bool RowsContain(const std::string& text, const char* rows, std::size_t length);

/// The rows as text, each up to its first NUL and right-trimmed, one a line.
std::string ScreenText(const ScreenImage& screen);

/// ScreenText for the reports of a failure, which go to logs unasked: the
/// values sendenv typed show as stars there.
std::string ScreenPicture(const ScreenImage& screen);

#endif  // KLAVRUN_RUNNER_SCREEN_H_
