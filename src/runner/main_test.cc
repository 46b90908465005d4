#include "runner/main.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/record/record_test_support.h"

namespace {

using V = std::vector<std::string>;

using ProgramTest = RecordTest;

// The console window is titled with klavrun's path or name, or found as the console's.
TEST_F(ProgramTest, FindsTheConsoleByPathThenNameThenAsTheConsoleWindow) {
  const struct { const char* title; platform::HWND console; } rows[] = {
      {"C:\\klavrun\\klavrun.exe", 0}, {"KLAVRUN", 0}, {"Command Prompt", 0x50}};
  for (const auto& row : rows) {
    ResetAll();
    world.Windows = {{0x60, "klavrun.exe"}, {0x50, row.title}};
    world.ConsoleWindow = row.console;
    EXPECT_EQ(RunScript("title \"t\"").Output, "");
    EXPECT_EQ(world.Windows[1].Title, "t") << row.title;
  }
}

TEST_F(ProgramTest, StopsAtTheFirstFailingLineAndClosesTheScript) {
  const struct { std::string script; const char* output; } rows[] = {
      {"rem a\r\n\r\n; b\r\n// c\r\ndelay 0\r\n#define line_delay 5\r\n", ""},
      {"if \"\"\r\ndelay x\r\nbad\r\ndelay 4", "Error at line: 3\r\n"},  // a body not run leaves no message
      {"\xff\xfe", "Error at line: 1\r\nScript is UTF-16: save it as UTF-8 or ANSI\r\n"},
      {"if \"x\"\r\n" + std::string((64 << 20) + 1, 'x'), "Error at line: 2\r\nLine too long\r\n"},
  };
  for (const auto& row : rows) {
    ResetAll();
    RunResult r = RunScript(row.script);
    EXPECT_EQ(r.Code, *row.output ? 2u : 0u) << row.output;
    EXPECT_EQ(r.Output, row.output);
    EXPECT_EQ(CallsNamed({"CloseHandle"}), V{"CloseHandle(0x100) = 0x1"}) << row.output;
  }
  EXPECT_EQ(CallsNamed({"Sleep"}), V{});  // the line after the failing one never ran
}

// Each row: the arguments, and what standard output and standard error begin with.
TEST_F(ProgramTest, OptionsComeBeforeTheScript) {
  const struct { V args; const char *out_starts, *err_starts; } rows[] = {
      {{"--version"}, "klavrun 0.2.0\r\n", ""},
      {{"--", "--odd"}, "Error at line: 1\r\n", "--odd:1: error: unknown command \"bogus\"\n---"},
      {{"--odd"}, "", "klavrun: unknown option --odd\nKLAVRUN 0.5BETA"},
      {{"--timeout"}, "", "klavrun: --timeout needs a value\n"},
      {{"--junit"}, "", "klavrun: --junit needs a value\n"},
      {{"--timeout", "5"}, "", "klavrun: no script given\n"},
      {{"--timeout", "5", "s", "t"}, "", "klavrun: one script at a time: t\n"},
  };
  for (const auto& row : rows) {
    ResetAll();
    world.Files["s"].Content = "delay 1";
    world.Files["--odd"].Content = "bogus";
    RunResult r = RunKlavrun(row.args);
    EXPECT_EQ(r.Code, row.args[0] == "--version" ? 0u : 2u) << row.args[0];
    EXPECT_EQ(r.Output.substr(0, std::strlen(row.out_starts)), row.out_starts) << row.args[0];
    EXPECT_EQ(world.ErrorOutput.substr(0, std::strlen(row.err_starts)), row.err_starts) << row.args[0];
  }
}

// The report goes to a new file beside its name, renamed over it at the end;
// a name whose new file cannot be made stops the run before its first line.
TEST_F(ProgramTest, WritesTheJunitReportBesideItsNameAndRenamesIt) {
  const struct { const char* script; bool part_exists; unsigned code; const char* report; } rows[] = {
      {"delay 1", false, 0, "failures=\"0\""},
      {"delay 1\r\nbogus", false, 2, "<failure message=\"s:2: error: unknown command &quot;bogus&quot;\""},
      {"delay 1", true, 2, nullptr},
  };
  for (const auto& row : rows) {
    ResetAll();
    world.Files["s"].Content = row.script;
    world.Files["r.xml"].Content = "the last run's";
    if (row.part_exists) world.Files["r.xml.4096.part"].Content = "planted";
    RunResult r = RunKlavrun({"--junit", "r.xml", "s"});
    EXPECT_EQ(r.Code, row.code) << row.script;
    EXPECT_EQ(world.Files.count("r.xml.4096.part"), row.part_exists ? 1u : 0u) << row.script;
    if (row.report) {
      EXPECT_NE(world.Files["r.xml"].Content.find(row.report), std::string::npos) << row.script;
    } else {
      EXPECT_EQ(world.Files["r.xml"].Content, "the last run's");
      EXPECT_EQ(world.ErrorOutput, "klavrun: cannot create the JUnit report r.xml: File exists\n");
      EXPECT_EQ(CallsNamed({"Sleep"}), V{});
    }
  }
}

TEST(ParseDuration, TakesWholeNumbersInMillisecondsSecondsOrMinutes) {
  const struct { const char* text; std::int64_t ms; } rows[] = {  // -1: refused
      {"30", 30000}, {"30s", 30000}, {"500ms", 500}, {"2m", 120000}, {"2147483647ms", 2147483647},
      {"2147483648ms", -1}, {"35792m", -1}, {"", -1}, {"s", -1}, {"1.5s", -1}, {"-1", -1}, {"5S", -1}};
  for (const auto& row : rows) {
    std::int64_t ms = -1;
    EXPECT_EQ(ParseDuration(row.text, &ms) ? ms : -1, row.ms) << row.text;
  }
}

TEST(ParseSize, TakesColumnsXRowsWithinTheBounds) {
  const struct { const char* text; int columns, rows; } rows[] = {  // 0: refused
      {"132x43", 132, 43}, {"20x5", 20, 5}, {"500x200", 500, 200}, {"080x025", 80, 25},
      {"19x5", 0, 0}, {"20x4", 0, 0}, {"501x200", 0, 0}, {"500x201", 0, 0}, {"1320x43", 0, 0},
      {"132X43", 0, 0}, {"132x", 0, 0}, {"x43", 0, 0}, {"132 x43", 0, 0}, {"132x43x", 0, 0},
      {"", 0, 0}, {"-80x25", 0, 0}};
  for (const auto& row : rows) {
    int columns = 0, rows_given = 0;
    if (!ParseSize(row.text, &columns, &rows_given)) columns = rows_given = 0;
    EXPECT_EQ(columns, row.columns) << row.text;
    EXPECT_EQ(rows_given, row.rows) << row.text;
  }
}

TEST_F(ProgramTest, ShowsNoScreenOnAStandardErrorThatIsTheConsole) {
  world.StdErrIsConsole = true;  // the picture would land on the screen it shows
  RunScript("bogus");
  EXPECT_EQ(world.ErrorOutput, "script.txt:1: error: unknown command \"bogus\"\n");
}

TEST(SplitCommandLine, FollowsTheWindowsRules) {
  const struct { const char* line; V args; } rows[] = {
      {"klavrun", {}}, {"\"C:\\Program Files\\klavrun.exe\" s.txt", {"s.txt"}},
      {"klavrun \"my script.txt\" x", {"my script.txt", "x"}}, {"klavrun a\"b c\"d", {"ab cd"}},
      {"klavrun \"\" s.txt", {"s.txt"}}, {"klavrun \"\"\"\"s", {"s"}}, {"klavrun \x01x\x1fy", {"x", "y"}},
  };
  for (const auto& row : rows) EXPECT_EQ(SplitCommandLine(row.line), row.args) << row.line;
}

}  // namespace
