#include "recorder/wait_choice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace recorder {
namespace {

// A screen from its rows; "|" marks the cursor.
Shot ScreenOf(std::vector<std::string> rows) {
  Shot shot;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const std::size_t cursor = rows[r].find('|');
    if (cursor != std::string::npos) {
      rows[r].erase(cursor, 1);
      shot.cursor_row = static_cast<int>(r);
      shot.cursor_byte = cursor;
    }
    shot.rows.push_back(rows[r] + std::string(20, ' '));
  }
  return shot;
}

TEST(WaitChoice, NewStableTextThatNoEchoShows) {
  const struct {
    const char* what;
    std::vector<std::string> earlier, seen;
    std::string typed_before, typed_next;
    std::vector<bool> ticking;
    bool changing;
    std::string text;  // "" for settle
  } rows[] = {
      {"the prompt up to the cursor", {}, {">>> |"}, "", "print(6*7)", {}, false, ">>> "},
      {"a prompt shown before: the answer", {">>> print(6*7)", ">>> "},
       {">>> print(6*7)", "42", ">>> |"}, "print(6*7)", "", {}, false, "42"},
      {"only the echo is new", {"$ echo done", "$ "}, {"$ echo done", "done", "$ |"},
       "echo done", "ls", {}, false, ""},
      {"the text about to be typed", {}, {"yes or no? |"}, "", "yes or no? yes", {}, false, ""},
      {"a row behind a full screen", {"sh> vim", "~", "sh> "}, {"sh> vim", "sh> |"}, ":wq", "",
       {}, false, ""},
      {"a clock's words, not its digits", {}, {"Time: 12:00:01", "|"}, "", "", {true, false},
       false, "Time:"},
      {"a label beside a number", {}, {"pid 4711 started", "[12] |"}, "", "", {}, false, "pid"},
      {"a label, not the names of a date", {}, {"Every 1.0s: date", "Mon Dec  7 17:12:03 2026|"},
       "", "", {true, true}, false, "Every"},
      {"the next label when the first was seen", {"line 29 of the harbour"},
       {"line 30 of the bay", "|"}, "", "", {}, false, "of the bay"},
      {"a distinctive row before a short one", {}, {"~", "~", "\"notes\" [New] 0,0-1", "|"}, "",
       "", {}, false, "\"notes\" [New]"},
      {"a screen still changing", {}, {"building |"}, "", "", {}, true, ""},
  };
  for (const auto& row : rows) {
    Sighting sighting;
    sighting.earlier = ScreenOf(row.earlier).rows;
    sighting.seen = ScreenOf(row.seen);
    sighting.typed_before = row.typed_before;
    sighting.typed_next = row.typed_next;
    sighting.ticking = row.ticking;
    sighting.changing = row.changing;
    EXPECT_EQ(ChooseWaitText(sighting), row.text) << row.what;
  }
}

}  // namespace
}  // namespace recorder
