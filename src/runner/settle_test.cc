#include "runner/settle.h"

#include <gtest/gtest.h>

#include "platform/record/record_test_support.h"

namespace {

using Screens = std::vector<std::vector<std::string>>;

// A spinner that turns on the first `turns` captures, then a result.
Screens Spinner(int turns) {
  Screens screens;
  for (int i = 0; i < turns; ++i) screens.push_back({std::string("working ") + "|/-\\"[i % 4]});
  screens.push_back({"working", "result: 42"});
  return screens;
}

// Each row ends with the simulated clock when the run ended, in ms (20 a pass).
TEST(Settle, EndsOnceTheScreenStayedTheSameForItsTime) {
  const struct { const char* script; Screens screens; const char* output; std::uint64_t clock; } rows[] = {
      {"settle 100\r\nif \"result\"\r\ndelay 1", Spinner(0), "", 100 + 1},  // quiet from the start
      {"settle 100\r\nif \"result\"\r\ndelay 1", Spinner(5), "", 100 + 100 + 1},
      {"settle 0", Spinner(3), "", 0},
      {"#define wait_timeout 1000\r\nsettle 100", Spinner(1000), "Error at line: 2\r\nTimeout in settle\r\n",
       1000},
      {"settle x", {}, "Error at line: 1\r\nError in settle command\r\n", 0},
      {"settle -1", {}, "Error at line: 1\r\nError in settle command\r\n", 0},
  };
  record::World& world = record::TheWorld();
  for (const auto& row : rows) {
    ResetAll();
    world.Screens = row.screens;
    EXPECT_EQ(RunScript(row.script).Output, row.output) << row.script;
    EXPECT_EQ(world.Clock, row.clock) << row.script;
  }
}

}  // namespace
