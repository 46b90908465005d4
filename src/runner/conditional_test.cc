#include "runner/conditional.h"

#include <gtest/gtest.h>

#include "platform/record/record_test_support.h"

namespace {

using Screens = std::vector<std::vector<std::string>>;

using ConditionalTest = RecordTest;

TEST_F(ConditionalTest, BodiesRunAsTheScreenSays) {
  const struct { Screens screens; const char *script, *sleeps, *output; } rows[] = {
      {{{"copying"}, {"copying"}, {"done"}}, "while exists \"copying\"\r\ndelay 1", "s1 s1", ""},
      // If runs its body at most once, on a single capture.
      {{{"press any key"}, {"press any key"}, {"x"}},
       "if \"press any key\"\r\ndelay 7\r\nif \"press\"\r\ndelay 8", "s7 s8", ""},
      {{{"ok", "xists \"ok"}}, "if exists \"ok\"\r\ndelay 1\r\nif exists \"nope\"\r\ndelay 2", "s1", ""},
      // Nested: the inner if reads a new body line on every pass.
      {{{"retry"}, {"retry"}, {"retry"}, {"retry"}, {"retry done"}},
       "while not exists \"done\"\r\nif \"retry\"\r\ndelay 1\r\ndelay 2\r\ndelay 3", "s1 s2 s3", ""},
      {{}, "if \"absent\"\r\nif \"x\"\r\ndelay 5", "s5", ""},  // a skipped body is left to the run loop
      {{{"ready"}}, "if \"ready\"", "", ""},                    // the body past the end: an empty comment
      {{{"anything"}}, "while exists \"\"\r\ndelay 1\r\nif \"\"\r\ndelay 2\r\nif \"x\r\ndelay 3", "", ""},
      {{}, "while not exists \"\"\r\ndelay 1\r\ndelay 2", "",
       "Error at line: 2\r\nEmpty condition in while not exists\r\n"},
      // An invalid body fails first, under its own line, even when it would not run.
      {{}, "while not exists \"\"\r\nwait", "", "Error at line: 2\r\n"},
      {{{"ready"}}, "rem x\r\nwhile not exists \"ready\"\r\nwait 5", "", "Error at line: 3\r\n"},
      {{}, "rem x\r\nif \"absent\"\r\nwait 5", "", "Error at line: 3\r\n"},
      {{}, "rem x\r\nwhile exists \"absent\"\r\nwait 5", "", "Error at line: 3\r\n"},
  };
  for (const auto& row : rows) {
    SetUp();
    world.Screens = row.screens;
    EXPECT_EQ(RunScript(row.script).Output, row.output) << row.script;
    EXPECT_EQ(Keys(), row.sleeps) << row.script;
  }
}

// A screen that shows `text` from the capture numbered `from` (1 first) on.
Screens ShowsFrom(int from, const std::string& text) {
  Screens screens(static_cast<std::size_t>(from - 1), {"working"});
  screens.push_back({text});
  return screens;
}

TEST_F(ConditionalTest, WaitsEndAtTheirTimeOutAfterThePassThatCrossesIt) {
  const struct { const char* script; Screens screens; const char* output; const char* sleeps; } rows[] = {
      // Each pass sleeps 100 ms (and the idle pump adds nothing here).
      {"#define wait_timeout 300\r\nwhile not exists \"ready\"\r\ndelay 100", {},
       "Error at line: 3\r\nTimeout in while not exists\r\n", "s100 s100 s100"},
      {"#define wait_timeout 300\r\nwhile not exists \"ready\"\r\ndelay 100", ShowsFrom(4, "ready"),
       "", "s100 s100 s100"},  // shown on the capture after the third pass: in time
      {"#define wait_timeout 300\r\n#define wait_timeout 0\r\nwhile not exists \"ready\"\r\ndelay 100",
       ShowsFrom(6, "ready"), "", "s100 s100 s100 s100 s100"},  // 0 lifts the limit
      // A failed inner wait is absorbed by the outer one, which has its own clock.
      {"#define wait_timeout 200\r\nwhile not exists \"done\"\r\nwhile not exists \"x\"\r\ndelay 100\r\n"
       "rem after", {}, "Error at line: 4\r\nTimeout in while not exists\r\n", "s100 s100"},
      {"#define wait_timeout 100\r\nif \"ready\"\r\ndelay 500", ShowsFrom(1, "ready"), "", "s500"},
  };
  for (const auto& row : rows) {
    SetUp();
    world.IdleWaitMs = 0;
    world.Screens = row.screens;
    EXPECT_EQ(RunScript(row.script).Output, row.output) << row.script;
    EXPECT_EQ(Keys(), row.sleeps) << row.script;
  }
}

// Each row: the rows that scroll off before each capture; the script, after a line that sets
// a time-out of 5 ms; the sleeps; the output.
TEST_F(ConditionalTest, WhileNotExistsAlsoSearchesTheRowsThatScrolledOffSinceItsLineBegan) {
  const struct { Screens scrolled; const char *script, *sleeps, *output; } rows[] = {
      {{{}, {"49999", "50000", "50001"}}, "while not exists \"50000\"\r\ndelay 1", "s1", ""},
      {{{"50000"}}, "while not exists \"50000\"\r\ndelay 1", "", ""},
      // Scrolled off before the line began; while an inner wait ran.
      {{{"50000"}}, "if \"x\"\r\ndelay 1\r\nwhile not exists \"50000\"\r\ndelay 2", "s2 s2 s2",
       "Error at line: 5\r\nTimeout in while not exists\r\n"},
      {{{}, {}, {"done"}}, "while not exists \"done\"\r\nwhile not exists \"inner\"\r\ndelay 1",
       "s1 s1 s1 s1 s1", ""},
      // Split across two rows; and if and while exists read the screen only.
      {{{"4999", "9"}}, "while not exists \"49999\"\r\ndelay 2", "s2 s2 s2",
       "Error at line: 3\r\nTimeout in while not exists\r\n"},
      {{{"50000"}}, "if \"50000\"\r\ndelay 1", "", ""},
      {{{"50000"}}, "while exists \"50000\"\r\ndelay 1", "", ""},
  };
  for (const auto& row : rows) {
    SetUp();
    world.IdleWaitMs = 0;
    world.Scrolled = row.scrolled;
    EXPECT_EQ(RunScript(std::string("#define wait_timeout 5\r\n") + row.script).Output, row.output)
        << row.script;
    EXPECT_EQ(Keys(), row.sleeps) << row.script;
    EXPECT_EQ(world.ScrolledRowsHandler, nullptr) << row.script;  // set only while a wait runs
  }
}

TEST_F(ConditionalTest, AWaitWhoseBodyStartsAProgramNeverSaysNothingCanEndIt) {
  world.ConsoleCanChange = false;
  world.Screens = ShowsFrom(3, "ready");
  EXPECT_EQ(RunScript("while not exists \"ready\"\r\nstart \"prog\"").Output, "");
  EXPECT_EQ(world.ErrorOutput, "");
}

}  // namespace
