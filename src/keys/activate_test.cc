#include "keys/activate.h"

#include <gtest/gtest.h>

#include "platform/record/record_test_support.h"

namespace {

using ActivateTest = RecordTest;

TEST_F(ActivateTest, ChoosesExactThenPrefixInEnumerationOrder) {
  const struct { std::vector<record::Window> windows; const char* wanted; platform::HWND found; } rows[] = {
      {{{1, "Report 2 - Editor"}, {2, "REPORT"}}, "report", 2},  // exact first
      {{{1, "other"}, {2, "editor one"}, {3, "editor two"}}, "editor", 2},  // the first prefix
      {{{1, "My Report"}}, "report", 0},  // only further in
      {{{1, "short"}}, "shorter", 0},
      {{{1, "x"}, {2, "y"}}, "", 1},  // the empty title matches the first window
      {{{1, "x"}, {2, ""}}, "", 2},   // unless a window has no title at all
      {{{1, "\xc4pfel"}}, "\xe4pfel", 0},  // no folding beyond ASCII
  };
  for (const auto& row : rows) {
    SetUp();
    world.Windows = row.windows;
    EXPECT_EQ(ActivateWindowByTitle(row.wanted), row.found != 0) << row.wanted;
    EXPECT_EQ(world.Foreground, row.found) << row.wanted;
  }
}

}  // namespace
