#include "keys/activate.h"

#include <gtest/gtest.h>

#include "platform/record/record_test_support.h"
#include "runner/commands.h"

namespace {

using ActivateTest = RecordTest;

TEST_F(ActivateTest, ChoosesExactThenPrefixInEnumerationOrder) {
  const std::string long_title = "A" + std::string(99, 'b');
  const struct {
    std::vector<record::Window> windows;
    std::string wanted;
    platform::HWND found;  // 0: none
  } rows[] = {
      {{{1, "Report 2 - Editor"}, {2, "REPORT"}}, "report", 2},  // exact first
      {{{1, "other"}, {2, "editor one"}, {3, "editor two"}}, "editor", 2},  // the first prefix
      {{{1, "My Report"}}, "report", 0},  // only further in
      {{{1, "short"}}, "shorter", 0},
      {{{1, "x"}, {2, "y"}}, "", 1},  // the empty title matches the first window
      {{{1, "x"}, {2, ""}}, "", 2},   // unless a window has no title at all
      {{{1, "\xc4pfel"}}, "\xe4pfel", 0},  // no folding beyond ASCII
      {{{1, long_title}}, long_title.substr(0, 79), 1},
      {{{1, long_title}}, long_title.substr(0, 80), 0},  // past the 79 the buffer holds
  };
  for (const auto& row : rows) {
    SetUp();
    world.Windows = row.windows;
    EXPECT_EQ(ActivateWindowByTitle(row.wanted.c_str()), row.found != 0) << row.wanted;
    EXPECT_EQ(world.Foreground, row.found) << row.wanted;
  }
}

TEST_F(ActivateTest, AppNeverReusesAnEarlierFind) {
  world.Windows = {{7, "Untitled - Notepad"}};
  HandleApp("\"untitled - notepad\"");
  EXPECT_EQ(FoundWindow, 7u);
  HandleApp("\"no such window\"");
  EXPECT_EQ(::Run.ErrorText, "Window not found: no such window");
  EXPECT_EQ(FoundWindow, 0u);
}

}  // namespace
