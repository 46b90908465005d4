#include "runner/screen.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/record/record_test_support.h"

namespace {

// An image of 25 blank rows of 80 with `text` placed at (row, column).
ScreenImage Image(std::initializer_list<std::tuple<int, int, std::string>> texts) {
  ScreenImage s;
  s.Rows = 25;
  s.RowBytes = 80;
  s.Cells.assign(25 * 80, ' ');
  for (const auto& [row, col, text] : texts) std::memcpy(s.Row(row) + col, text.data(), text.size());
  return s;
}

TEST(ScreenContains, SearchesEachRowLowerCasedFromItsFirstVisibleByte) {
  const struct { std::string wanted; ScreenImage screen; bool found; } rows[] = {
      {"", Image({{0, 0, "anything"}}), false},   {"ready", Image({{12, 3, "READY>"}}), true},
      {"Ready", Image({{12, 3, "Ready"}}), false},  // the text is not lowered
      {"\xc4x", Image({{5, 0, "\xe4X"}}), false},  // no folding beyond ASCII
      {"ready ", Image({{0, 75, "ready"}}), false}, // no blank after the last column
      {" ready", Image({{0, 10, "ready"}}), false},
      {"rea", Image({{0, 77, "rea"}, {1, 0, "dy"}}), true},
      {"ready", Image({{0, 77, "rea"}, {1, 0, "dy"}}), false},  // split over two rows
  };
  for (const auto& row : rows)
    EXPECT_EQ(ScreenContains(row.wanted, row.screen), row.found) << '"' << row.wanted << '"';
}

// Rows that scrolled off, each ended by a line feed, searched as the screen's rows are.
TEST(RowsContain, SearchesEachRowAsTheScreenIs) {
  static const char kText[] =
      "  Line 49999\n\tLine 50000 ABCDEFGHIJKLMNOPQRSTUVWXYZ@[`{\xc1\n   rea\ndy\n";
  const std::string kRows(kText, sizeof kText - 1), kWithNul = kRows + std::string("ab\0 hidden\n", 11);
  const struct { std::string wanted; bool found; } rows[] = {
      {"line 50000", true}, {"line 49999   ", true},  // a row ends in the blanks a text asks for
      {"50000 abc", true}, {"{\xc1  ", true}, {"9 \n", false},
      {"abcdefghijklmnopqrstuvwxyz@[`{\xc1", true}, {"\xe1", false},  // ASCII letters only
      {"LINE 50000", false}, {"", false},
      {"  line 49999", false},  // leading blanks are not the row's
      {"ready", false}, {"rea", true}, {" rea", false},  // no text across two rows
  };
  for (const auto& row : rows) {
    EXPECT_EQ(RowsContain(row.wanted, kRows.data(), kRows.size()), row.found) << '"' << row.wanted << '"';
    EXPECT_EQ(RowsContain(row.wanted, kWithNul.data(), kWithNul.size()), row.found) << row.wanted;
  }
  EXPECT_FALSE(RowsContain("hidden", kWithNul.data(), kWithNul.size()));  // nothing after a NUL
  std::string flood;  // a flood's batch, searched another way
  for (int i = 0; i < 2000; ++i) flood += "Line " + std::to_string(i) + "\n";
  for (const auto& [wanted, found] : {std::pair{"line 1234", true}, {"line 2000", false}, {"34\nline", false}})
    EXPECT_EQ(RowsContain(wanted, flood.data(), flood.size()), found) << wanted;
}

TEST(CaptureScreen, SearchFollowsEveryRowThatChangesBetweenCaptures) {
  ResetAll();
  ::Run.StdOutHandle = record::kStdOut;
  record::World& world = record::TheWorld();
  // The screens are captured into the same image, in order.
  const struct { std::vector<std::string> screen; std::string wanted; bool found; } rows[] = {
      {{"  Ready 0001"}, "ready 0001", true}, {{"  Ready 0001"}, "ready 0002", false},  // another text
      {{"  Ready 0002"}, "ready 0002", true},   // a row changed in place
      {{"xx"}, "ready", false},                 // a shorter row leaves nothing behind
      {{"", "", "\t  READY"}, "ready", true}, {{"", "", "   "}, "ready", false},  // another row
      {{"", "", std::string("ab\0 ready", 9)}, "ready", false},  // up to the first NUL
      // Output that scrolls moves rows up, one or two at a time.
      {{"  Alpha", "\tBeta", "GAMMA", "delta"}, "beta", true},
      {{"\tBeta", "GAMMA", "delta", "  Epsilon"}, "alpha", false},
      {{"delta", "  Epsilon", "", "zeta"}, "epsilon", true},
  };
  for (const auto& row : rows) world.Screens.push_back(row.screen);
  ScreenImage s;
  for (const auto& row : rows) {
    CaptureScreen(s);
    EXPECT_EQ(ScreenContains(row.wanted, s), row.found) << '"' << row.wanted << '"';
  }
}

TEST(CaptureScreen, ReadsAWindowOfAnySizeAndShowsItRightTrimmed) {
  ResetAll();
  ::Run.StdOutHandle = record::kStdOut;
  record::World& world = record::TheWorld();
  world.ScreenRows = 40;
  world.ScreenColumns = 120;
  std::vector<std::string> rows(40);
  rows[0] = "  First  ";
  rows[39] = std::string(100, ' ') + "Marker";
  world.Screens = {rows};
  ScreenImage s;
  CaptureScreen(s);
  EXPECT_TRUE(ScreenContains("marker", s));
  EXPECT_EQ(ScreenText(s), "  First\n" + std::string(38, '\n') + std::string(100, ' ') + "Marker\n");
  world.ScreenRows = 2;  // a smaller window later: the image follows
  CaptureScreen(s);
  EXPECT_EQ(ScreenText(s), "  First\n\n");
  world.ScreenReadFails = true;  // standard output redirected: no console to read
  CaptureScreen(s);
  EXPECT_EQ(std::string(s.Cells.data(), 2 * 120), std::string(2 * 120, '\0'));
}

}  // namespace
