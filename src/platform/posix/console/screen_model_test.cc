#include "platform/posix/console/screen_model.h"

#include <gtest/gtest.h>
#include <vterm.h>

#include <string>
#include <vector>

namespace posix {
namespace {

struct Fed {
  explicit Fed(const std::string& output, bool keep = false) {
    if (keep)
      screen.KeepScrolledRows([](const char* rows, std::size_t length, void* kept) {
        static_cast<std::string*>(kept)->append(rows, length);
      }, &kept);
    Feed(output);
  }
  void Feed(const std::string& output) { screen.Feed(output.data(), output.size()); }
  std::string Row(int row) {
    char cells[kRowBytes];
    return std::string(cells, screen.ReadRow(row, 0, cells, sizeof cells));
  }
  std::string Picture() {  // every row, the cursor and the answers
    std::string picture;
    for (int row = 0; row < kConsoleRows; ++row) picture += Row(row) + "\n";
    VTermPos cursor;
    vterm_state_get_cursorpos(vterm_obtain_state(screen.terminal()), &cursor);
    return picture + std::to_string(cursor.row) + "," + std::to_string(cursor.col) + to_programs;
  }
  std::string to_programs;
  std::string kept;  // rows scrolled off the top, each ended by '\n'
  ScreenModel screen{&to_programs};
};

std::string Lines(int count, const std::string& text) {
  std::string out;
  for (int i = 0; i < count; ++i) out += text + std::to_string(i) + "\r\n";
  return out;
}

std::string Repeated(const std::string& text, int count) {
  std::string out;
  while (count-- > 0) out += text;
  return out;
}

TEST(ScreenCells, RowsShowWhatProgramsWroteAsUtf8) {
  const struct { std::string output; int row; std::string cells; } kRows[] = {
      // A cell is its characters in UTF-8, combining marks included; the
      // right half of a wide character adds nothing.
      {"\xe4\xb8\xad!", 0, "\xe4\xb8\xad!"}, {"e\xcc\x81t\xc3\xa9", 0, "e\xcc\x81t\xc3\xa9"},
      {Lines(26, "l"), 0, "l2"},  // no scrollback
      {"main\x1b[?1049hx\x1b[?1049l", 0, "main"},
      // C1 controls show nothing, wherever their two bytes stand; a lead
      // that breaks off shows as U+FFFD.
      {"a\xc2\x85" "b\x1b[4h\xc2\x90x", 0, "abx"}, {"\xc2\r\x1b[1m\x85x", 0, "x"},
      {"\xc2\xc2\x85\x85\xc2\xa0\xc2", 0, "\xef\xbf\xbd\xef\xbf\xbd\xc2\xa0"},
      // A repeat follows only a plain character; parameters after the 16th
      // are ignored.
      {"\x1b[bab\x1b[3bc\xc3\xa9\x1b[2b\r\x1b[b", 0, "abbbbc\xc3\xa9"},
      {"\x1b[" + std::string(20, ';') + "Hx\x1b[" + std::string(40, ':') + "3Cy", 0, "x y"},
  };
  for (const auto& row : kRows) {
    std::string got = Fed(row.output).Row(row.row);
    std::size_t end = got.find_last_not_of(' ');
    EXPECT_EQ(got.substr(0, end == std::string::npos ? 0 : end + 1), row.cells) << row.output;
  }
}

// A read holds whole cells only, and stays inside the screen.
TEST(ScreenCells, ReadsTakeWholeCellsInsideTheScreen) {
  Fed fed("a\xc3\xa9\xe4\xb8\xadz");
  char cells[kRowBytes];
  const struct { int row, column; std::size_t length; std::string text; } kReads[] = {
      {0, 0, 2, "a"}, {0, 0, 3, "a\xc3\xa9"}, {0, 0, 5, "a\xc3\xa9"}, {0, 1, 5, "\xc3\xa9\xe4\xb8\xad"},
      {25, 0, 80, ""}, {-1, 0, 80, ""}, {0, 80, 80, ""}, {0, 79, 80, " "}};
  for (const auto& read : kReads)
    EXPECT_EQ(std::string(cells, fed.screen.ReadRow(read.row, read.column, cells, read.length)), read.text);
}

// Rows are kept between reads; every kind of change must reach them.
TEST(ScreenCells, KeptRowsFollowEveryKindOfChange) {
  const std::string kSteps[] = {
      "hello\r\nworld", Lines(40, "row "), "\x1b[5;3H\x1b[2L", "\x1b[8;1H\x1b[3M",
      "\x1b[2;2H\x1b[3P", "\x1b[3;1H\x1b[4@new", "\x1b[5;15r\x1b[15;1H\r\n\r\nin region\x1b[r",
      "\x1b[1;1H\x1bM\x1bMdown", "\x1b[?1049h\x1b[2J\x1b[3;3Halt screen", "\x1b[?1049l",
      "\x1b[12;70H\xe4\xb8\xad\xe4\xb8\xad wide", "\x1b[20;5H\x1b[5X\x1b[21;1H\x1b[K\x1b[1J",
      // Scrolls past the screen's edges, both ways, and inside margins.
      Lines(40, "row ") + "\x1b[200T\x1b[200T", Repeated("\n\x1b[2T\n", 30),
      "\x1b[?69h\x1b[5;40s" + Lines(30, "line 1") + "\x1b[s\x1b[?69l",
  };
  Fed kept("");
  std::string all;
  for (const std::string& output : kSteps) {
    kept.Feed(output);
    ASSERT_EQ(kept.Picture(), Fed(all += output).Picture()) << output;
  }
}

// Left on by a program: mouse reports and an application keypad. The probes reach no program.
TEST(TerminalModes, ResetUndoesWhatTheProgramsLeftOn) {
  Fed fed("\x1b[?1000h\x1b=");
  EXPECT_EQ(fed.screen.ModeResetSequence(), "\x1b[0m\x1b[?1000l\x1b[?1002l\x1b[?1003l\x1b[?1006l\x1b>");
  EXPECT_EQ(fed.to_programs, "");
}

TEST(FastFeed, LeavingOutLinesThatScrollAwayChangesNothing) {
  const struct { std::string before, chunk; bool leaves_out; } kRows[] = {
      {"", Lines(300, "a\tb ") + Lines(300, "line ") + "\xe4\xb8\xad\x1b[1;1HTOP\x1b[5;5Hx", true},
      {std::string(80, 'x'), Lines(600, "line "), true},  // a pending wrap
      {"\x1b[5;10r", Lines(600, "line "), false},
      {"", std::string(6000, 'a') + std::string(300, '\n') + "end", false},
      // Inside a title, a CSI, a UTF-8 character; a C1 control is nothing.
      {"\x1b]0;title ", Lines(600, "line ") + "\x07" "after", false},
      {"\x1b[3", "1m" + Lines(600, "line "), false}, {"\xe4\xb8", Lines(600, "line "), false},
      {"\xc2\x9d" "0;t", Lines(600, "line ") + "\x07", true},
      {"", Lines(45, std::string(100, 'y')), false},  // too few lines
      // From the last row fewer lines scroll everything away.
      {Lines(30, "x"), Lines(27, std::string(200, 'y')), true},
      {Lines(30, "x"), Lines(26, std::string(200, 'y')), false},
  };
  for (const auto& row : kRows) {
    Fed whole(row.before), piecewise(row.before);  // pieces too short to leave out
    whole.Feed(row.chunk);
    for (std::size_t i = 0; i < row.chunk.size(); i += 1000)
      piecewise.Feed(row.chunk.substr(i, 1000));
    EXPECT_EQ(whole.Picture(), piecewise.Picture()) << &row - kRows;
    EXPECT_EQ(piecewise.screen.bytes_left_out(), 0u) << &row - kRows;
    EXPECT_EQ(whole.screen.bytes_left_out() > 0, row.leaves_out) << &row - kRows;
  }
}

// libvterm with its own screen layer, which pushes the rows that scroll off
// to its scrollback.
struct Reference {
  Reference() : vt(vterm_new(kConsoleRows, kConsoleColumns)) {
    vterm_set_utf8(vt, 1);
    VTermScreen* screen = vterm_obtain_screen(vt);
    static const VTermScreenCallbacks kCallbacks = {
        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, PushLine, nullptr};
    vterm_screen_set_callbacks(screen, &kCallbacks, this);
    vterm_screen_enable_altscreen(screen, 1);
    vterm_screen_reset(screen, 1);
  }
  ~Reference() { vterm_free(vt); }
  static int PushLine(int cols, const VTermScreenCell* cells, void* user) {
    std::string row;
    for (int col = 0; col < cols; ++col) {  // the model's cell rules
      char text[kMaxCellBytes];
      if (col == 0 || cells[col - 1].width != 2)
        row.append(text, CellText(cells[col].chars, VTERM_MAX_CHARS_PER_CELL, text));
    }
    static_cast<Reference*>(user)->pushed += row.substr(0, row.find_last_not_of(' ') + 1) + '\n';
    return 1;
  }
  VTerm* vt;
  std::string pushed;
};

TEST(ScrolledRows, AreTheRowsLibvtermsOwnScreenPushesOut) {
  const std::string kOutputs[] = {
      Lines(40, "row "), Lines(30, std::string(170, 'w')), "\xe4\xb8\xad\xc3\xa9" + Lines(30, "e\xcc\x81"),
      "\x1b[5;10r" + Lines(30, "in a region"), "\x1b[1;20r" + Lines(30, "from the top"),
      Lines(5, "a") + "\x1b[3S\x1b[1;1H\x1b[2M\x1b[25S\x1b[2T",  // scrolled, deleted, all at once
      "\x1b[?1049h" + Lines(30, "alternate") + "\x1b[?1049l" + Lines(30, "main"),
      "\x1b[?69h\x1b[1;40s" + Lines(30, "left half") + "\x1b[?69l",
  };
  for (const std::string& output : kOutputs) {
    Fed model("", true);
    std::string drawn;
    model.screen.CopyDrawnTo(&drawn);
    for (std::size_t i = 0; i < output.size(); i += 1000) model.Feed(output.substr(i, 1000));
    Reference reference;
    vterm_input_write(reference.vt, drawn.data(), drawn.size());
    EXPECT_EQ(model.kept, reference.pushed) << output;
  }
}

// A long chunk that leaves lines out keeps the rows they make, or leaves
// nothing out.
TEST(ScrolledRows, LinesLeftOutAreKeptAsIfDrawn) {
  const std::string kFull = Lines(30, "x");  // the cursor on the last row
  const struct { std::string before, chunk; bool leaves_out; } kRows[] = {
      {kFull, Lines(600, "line "), true}, {kFull, Lines(300, std::string(170, 'w')), true},
      {kFull + "abc", Lines(600, "line "), true}, {kFull, Repeated("blanks at the end   \r\n", 600), true},
      {kFull, Repeated(std::string(78, 'b') + "    wrapped\r\n", 300), true}, {kFull + "abc\r", "\n" + Lines(900, "l"), true},
      {kFull + "\x1b[4h", Lines(600, "insert "), true}, {"\x1b[?1049h", Lines(600, "alt "), true},
      {kFull + "\x1b(0\x1b(B", Lines(600, "ascii again "), true},
      {"", Lines(600, "line "), true}, {"abc", Lines(600, "line "), true},  // drawn to the last row first
      {"", "\n" + Lines(600, "line "), true},  // a line feed alone in the part drawn
      {kFull + std::string(79, 'q'), Lines(600, "q"), false},  // on the last column
      {kFull + std::string(80, 'p'), Lines(600, "p"), false},  // a wrap pending
      {kFull + "\x1b[80Gz\x1b[5G", Lines(600, "q"), false},  // text after the cursor
      {kFull + "\x1b(0", Lines(600, "lqqk"), false}, {kFull + "\x0e", Lines(600, "lqqk"), false},
      {kFull + "\x1bN", Lines(600, "q"), false}, {kFull + "\x1b#6", Lines(600, "wide"), false},
      {kFull + "\x1b[?7l", Lines(300, std::string(90, 'n')), false},
      {kFull, Lines(300, "a\tb"), false}, {kFull, Lines(300, "a\rb"), false},
      {kFull + "abc", "\n" + Lines(900, "l"), false},  // a line feed alone
      {kFull, Lines(300, "a\nb"), false},
  };
  for (const auto& row : kRows) {
    Fed whole(row.before, true), piecewise(row.before, true);
    whole.Feed(row.chunk);
    for (std::size_t i = 0; i < row.chunk.size(); i += 1000)
      piecewise.Feed(row.chunk.substr(i, 1000));
    EXPECT_EQ(whole.kept, piecewise.kept) << &row - kRows;
    EXPECT_EQ(whole.Picture(), piecewise.Picture()) << &row - kRows;
    EXPECT_EQ(whole.screen.bytes_left_out() > 0, row.leaves_out) << &row - kRows;
  }
}

// The chunks are given to FeedLater in turn; the replies are what the programs have by then.
TEST(FeedLater, HeldTextIsDrawnBeforeAnythingThatAsksAndBeforeAnyRead) {
  const struct { std::vector<std::string> chunks; std::string replies; } kRows[] = {
      {{"hello\r\n", "world"}, ""}, {{"ab\r\ncd", "e\x1b[6nf"}, "\x1b[2;4R"},  // the text before counts
      {{"\x1b[", "6n"}, "\x1b[1;1R"},         // a sequence split in two
      {{"\x1b[5n", "x\x1b[6n"}, "\x1b[0n\x1b[1;2R"},  // in order
      {{"caf\xc3", "\xa9\x1b[6n"}, "\x1b[1;5R"},  // a character in two pieces
      {{Lines(600, "line "), "tail\x1b[6n"}, "\x1b[25;5R"},
  };
  for (const auto& row : kRows) {
    Fed later(""), now("");
    for (const std::string& chunk : row.chunks) later.screen.FeedLater(chunk.data(), chunk.size());
    EXPECT_EQ(later.to_programs, row.replies) << &row - kRows;
    for (const std::string& chunk : row.chunks) now.Feed(chunk);
    EXPECT_EQ(later.Picture(), now.Picture()) << &row - kRows;
  }
}

}  // namespace
}  // namespace posix
