#include "platform/posix/screen_model.h"

#include <gtest/gtest.h>

#include <vterm.h>

#include <algorithm>
#include <string>

namespace posix {
namespace {

std::string Row(ScreenModel& screen, int row) {
  char cells[kConsoleColumns];
  std::size_t count = screen.ReadRow(row, 0, cells, sizeof cells);
  return std::string(cells, count);
}

std::string Padded(const std::string& text) {
  return text + std::string(kConsoleColumns - text.size(), ' ');
}

struct ScreenRow {
  const char* what;
  std::string output;  // what the programs wrote
  int row;
  std::string cells;  // the row's 80 cells, blanks to the end
};

const ScreenRow kScreenRows[] = {
    {"plain text", "hello", 0, "hello"},
    {"a new line", "one\r\ntwo", 1, "two"},
    {"Latin-1 letters are their own byte", "caf\xc3\xa9", 0, "caf\xe9"},
    {"other characters are a question mark", "1\xe2\x82\xac", 0, "1?"},
    {"a wide character's second cell is a blank", "\xe4\xb8\xad!", 0, "? !"},
    {"cursor addressing", "\x1b[25;3Hlast row", 24, "  last row"},
    {"no scrollback: the top line scrolls away",
     "l1\r\nl2\r\nl3\r\nl4\r\nl5\r\nl6\r\nl7\r\nl8\r\nl9\r\nl10\r\nl11\r\nl12\r\n"
     "l13\r\nl14\r\nl15\r\nl16\r\nl17\r\nl18\r\nl19\r\nl20\r\nl21\r\nl22\r\n"
     "l23\r\nl24\r\nl25\r\nl26",
     0, "l2"},
    {"the alternate screen is what shows", "main\x1b[?1049h\x1b[Halt", 0, "alt"},
    {"leaving it shows the main screen again", "main\x1b[?1049hx\x1b[?1049l", 0, "main"},
};

TEST(ScreenCells, RowsShowWhatProgramsWrote) {
  for (const ScreenRow& row : kScreenRows) {
    std::string to_programs;
    ScreenModel screen(&to_programs);
    screen.Feed(row.output.data(), row.output.size());
    EXPECT_EQ(Row(screen, row.row), Padded(row.cells)) << row.what;
  }
}

// The row as libvterm has it, read cell by cell.
std::string DirectRow(ScreenModel& screen, int row) {
  VTermScreen* cells = vterm_obtain_screen(screen.terminal());
  std::string text;
  bool after_wide = false;
  for (int col = 0; col < kConsoleColumns; ++col) {
    VTermScreenCell cell;
    vterm_screen_get_cell(cells, VTermPos{row, col}, &cell);
    text += after_wide ? ' ' : CellByte(cell.chars[0]);
    after_wide = cell.width == 2;
  }
  return text;
}

TEST(ScreenCells, KeptRowsFollowEveryKindOfChange) {
  std::string lines;
  for (int i = 0; i < 40; ++i) lines += "row " + std::to_string(i) + "\r\n";
  const std::string kSteps[] = {
      "hello\r\nworld",
      lines,
      "\x1b[5;3H\x1b[2L",                  // insert lines
      "\x1b[8;1H\x1b[3M",                  // delete lines
      "\x1b[2;2H\x1b[3P",                  // delete characters
      "\x1b[3;1H\x1b[4@new",               // insert characters
      "\x1b[5;15r\x1b[15;1H\r\n\r\nin region\x1b[r",
      "\x1b[1;1H\x1bM\x1bMdown",            // scroll down from the top
      "\x1b[?1049h\x1b[2J\x1b[3;3Halt screen",
      "\x1b[?1049l",
      "\x1b[12;70H\xe4\xb8\xad\xe4\xb8\xad wide",
      "\x1b[20;5H\x1b[5X\x1b[21;1H\x1b[K\x1b[1;1H\x1b[1J",
      "\x1b[2J",
  };
  std::string replies;
  ScreenModel screen(&replies);
  int step = 0;
  for (const std::string& output : kSteps) {
    ++step;
    screen.Feed(output.data(), output.size());
    for (int row = 0; row < kConsoleRows; ++row)
      ASSERT_EQ(Row(screen, row), DirectRow(screen, row))
          << "step " << step << ", row " << row;
  }
}

TEST(ScreenCells, ReadsStayInsideTheScreen) {
  std::string to_programs;
  ScreenModel screen(&to_programs);
  screen.Feed("abc", 3);
  char cells[100];
  EXPECT_EQ(screen.ReadRow(25, 0, cells, 80), 0u) << "row 25";
  EXPECT_EQ(screen.ReadRow(-1, 0, cells, 80), 0u) << "row -1";
  EXPECT_EQ(screen.ReadRow(0, 80, cells, 80), 0u) << "column 80";
  EXPECT_EQ(screen.ReadRow(0, 78, cells, 80), 2u) << "the row ends at column 79";
  ASSERT_EQ(screen.ReadRow(0, 1, cells, 2), 2u) << "length is a limit";
  EXPECT_EQ(std::string(cells, 2), "bc");
}

TEST(ScreenCells, QueriesAreAnsweredToThePrograms) {
  std::string to_programs;
  ScreenModel screen(&to_programs);
  const char kWhereIsTheCursor[] = "ab\x1b[6n";
  screen.Feed(kWhereIsTheCursor, sizeof kWhereIsTheCursor - 1);
  EXPECT_EQ(to_programs, "\x1b[1;3R");
}

struct ResetRow {
  const char* what;
  std::string output;
  std::string reset;
};

const ResetRow kResetRows[] = {
    {"nothing changed", "text", "\x1b[0m"},
    {"alternate screen", "\x1b[?1049h", "\x1b[0m\x1b[?1049l"},
    {"hidden cursor", "\x1b[?25l", "\x1b[0m\x1b[?25h"},
    {"hidden and shown again", "\x1b[?25l\x1b[?25h", "\x1b[0m"},
    {"application cursor keys", "\x1b[?1h", "\x1b[0m\x1b[?1l"},
    {"application keypad", "\x1b=", "\x1b[0m\x1b>"},
    {"bracketed paste", "\x1b[?2004h", "\x1b[0m\x1b[?2004l"},
    {"mouse reports", "\x1b[?1000h",
     "\x1b[0m\x1b[?1000l\x1b[?1002l\x1b[?1003l\x1b[?1006l"},
};

TEST(TerminalModes, ResetUndoesWhatTheProgramsLeftOn) {
  for (const ResetRow& row : kResetRows) {
    std::string to_programs;
    ScreenModel screen(&to_programs);
    screen.Feed(row.output.data(), row.output.size());
    EXPECT_EQ(screen.ModeResetSequence(), row.reset) << row.what;
    EXPECT_EQ(to_programs, "") << row.what << ": the probes reach no program";
  }
}

}  // namespace
}  // namespace posix

namespace posix {
namespace {

std::string Lines(int count, const std::string& text) {
  std::string out;
  for (int i = 0; i < count; ++i) out += text + std::to_string(i) + "\r\n";
  return out;
}

struct FastFeedRow {
  const char* what;
  std::string before;  // fed first, on its own
  std::string chunk;   // then one long chunk
  bool leaves_out;     // whether lines may be left out of it
};

const FastFeedRow kFastFeedRows[] = {
    {"plain lines", "", Lines(600, "line ") + "tail", true},
    {"lines over a painted screen", "\x1b[2J\x1b[1;1Htop\x1b[12;40Hmiddle",
     Lines(600, "line "), true},
    {"text after the lines moves the cursor", "",
     Lines(600, "line ") + "\x1b[1;1HTOP\x1b[5;5Hx", true},
    {"long lines wrap", "", Lines(200, std::string(150, 'w')), true},
    {"tabs", "", Lines(600, "a\tb\tc ") + "\xe4\xb8\xad", true},
    {"accents stop the plain run", "", Lines(600, "caf\xc3\xa9 "), false},
    {"a pending wrap before", std::string(80, 'x'), Lines(600, "line "), true},
    {"lines without CR", "", std::string(6000, 'a') + std::string(300, '\n') + "end", false},
    {"a scroll region", "\x1b[5;10r", Lines(600, "line "), false},
    {"inside a title", "\x1b]0;title ", Lines(600, "line ") + "\x07" "after", false},
    {"inside a CSI", "\x1b[3", "1m" + Lines(600, "line "), false},
    {"inside a UTF-8 character", "\xe4\xb8", Lines(600, "line "), false},
    {"after a C1 control", "\xc2\x9d" "0;t", Lines(600, "line ") + "\x07", false},
    {"too few lines", "", Lines(45, std::string(100, 'y')), false},
};

std::string Picture(ScreenModel& screen) {
  std::string picture;
  for (int row = 0; row < kConsoleRows; ++row) picture += Row(screen, row) + "\n";
  VTermPos cursor;
  vterm_state_get_cursorpos(vterm_obtain_state(screen.terminal()), &cursor);
  return picture + std::to_string(cursor.row) + "," + std::to_string(cursor.col);
}

TEST(FastFeed, LeavingOutLinesThatScrollAwayChangesNothing) {
  for (const FastFeedRow& row : kFastFeedRows) {
    std::string replies;
    ScreenModel whole(&replies);
    ScreenModel piecewise(&replies);  // pieces too short to leave anything out
    whole.Feed(row.before.data(), row.before.size());
    piecewise.Feed(row.before.data(), row.before.size());
    whole.Feed(row.chunk.data(), row.chunk.size());
    for (std::size_t i = 0; i < row.chunk.size(); i += 1000)
      piecewise.Feed(row.chunk.data() + i, std::min<std::size_t>(1000, row.chunk.size() - i));
    EXPECT_EQ(Picture(whole), Picture(piecewise)) << row.what;
    EXPECT_EQ(piecewise.bytes_left_out(), 0u) << row.what;
    EXPECT_EQ(whole.bytes_left_out() > 0, row.leaves_out) << row.what;
    EXPECT_EQ(replies, "") << row.what;
  }
}

}  // namespace
}  // namespace posix
