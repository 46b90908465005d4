#include "runner/main.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/record/record_test_support.h"

namespace {

using V = std::vector<std::string>;

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetAll(); }
  record::World& world = record::TheWorld();
};

TEST_F(ProgramTest, ReportsScriptOpenFailuresByErrorCode) {
  const struct {
    platform::DWORD code;
    const char* message;
  } rows[] = {{2, "File not found."},   {3, "Invalid filename."}, {4, "Too many open files."},
              {5, "File access denied."}, {32, "I/O error 32."}};
  for (const auto& row : rows) {
    ResetAll();
    world.OpenErrors["x"] = row.code;
    RunResult r = RunKlavrun({"x"});
    EXPECT_EQ(r.Code, 1u);
    EXPECT_EQ(r.Output.substr(r.Output.find('\n') + 1), std::string(row.message) + "\r\n");
  }
}

TEST_F(ProgramTest, FindsTheConsoleByPathThenNameThenAsTheConsoleWindow) {
  RunScript("");
  EXPECT_EQ(world.Calls[0], "GetStdHandle(0xfffffff5) = 0x7");
  EXPECT_EQ(world.Calls[1], "GetStdHandle(0xfffffff6) = 0x3");
  EXPECT_EQ(CallsNamed({"FindWindowA", "CreateFileA", "GetConsoleWindow"}),
            (V{"FindWindowA(0x0, \"C:\\\\klavrun\\\\klavrun.exe\") = 0x10010",
               "CreateFileA(\"script.txt\", 0x80000000, 0x1, 0x0, 0x3, 0x80, 0x0) = 0x100"}));
  EXPECT_EQ(world.Calls.back(), "ExitProcess(0x0)");

  const std::string by_path = "FindWindowA(0x0, \"C:\\\\klavrun\\\\klavrun.exe\") = 0x0";
  const struct {
    const char* title;  // of the console window 0x50
    V calls;
  } rows[] = {{"KLAVRUN", {by_path, "FindWindowA(0x0, \"klavrun\") = 0x50"}},  // the name, no extension
              {"Command Prompt",                                             // started from a prompt
               {by_path, "FindWindowA(0x0, \"klavrun\") = 0x0", "GetConsoleWindow() = 0x50"}}};
  for (const auto& row : rows) {
    ResetAll();
    world.Windows = {{0x50, row.title}};
    world.ConsoleWindow = 0x50;
    EXPECT_EQ(RunScript("title \"t\"").Output, "");
    EXPECT_EQ(CallsNamed({"FindWindowA", "GetConsoleWindow"}), row.calls);
    EXPECT_EQ(world.Windows[0].Title, "t");
  }
}

TEST_F(ProgramTest, LimitsTheScriptPathTo259Characters) {
  std::string path(300, 'p');
  world.Files[path.substr(0, 259)].Content = "";
  EXPECT_EQ(RunKlavrun({path}).Code, 0u);
}

TEST_F(ProgramTest, StopsAtTheFirstFailingLineWithItsNumberAndMessage) {
  const struct {
    const char* script;
    const char* output;
  } rows[] = {
      {"rem a\r\n\r\n  \r\n; b\r\n// c\r\ndelay 0\r\n#define line_delay 5\r\n", ""},
      {"rem\r\ndelay 1", "Error at line: 1\r\n"},
      {"delay 1\r\ndelay 2\r\ndelay x\r\ndelay 4", "Error at line: 3\r\nError in delay command\r\n"},
      {"DELAY 1\r\nEcho hi", "Error at line: 2\r\n"},
      {"\r\n\r\n\r\nbad", "Error at line: 4\r\n"},
      {"if \"\"\r\ndelay x\r\nbad", "Error at line: 3\r\n"},  // a body not run leaves no message
  };
  for (const auto& row : rows) {
    ResetAll();
    RunResult r = RunScript(row.script);
    EXPECT_EQ(r.Code, *row.output ? 2u : 0u) << row.script;
    EXPECT_EQ(r.Output, row.output) << row.script;
    EXPECT_EQ(CallsNamed({"CloseHandle"}), V{"CloseHandle(0x100) = 0x1"}) << row.script;
  }
  EXPECT_EQ(CallsNamed({"Sleep"}), V{});  // the line after the failing one never ran
}

std::size_t WritesToStandardOutput() {
  std::size_t n = 0;
  for (const std::string& call : record::TheWorld().Calls) n += call.rfind("WriteFile(0x7,", 0) == 0;
  return n;
}

TEST_F(ProgramTest, WritesAtOnceOnAConsoleAndOnceAtTheEndOtherwise) {
  world.StdOutType = platform::FILE_TYPE_CHAR;
  RunScript("delay x");
  EXPECT_EQ(WritesToStandardOutput(), 2u);
  ResetAll();
  RunScript("delay x");
  EXPECT_EQ(WritesToStandardOutput(), 1u);
}

TEST_F(ProgramTest, OptionsComeBeforeTheScript) {
  world.Files["s"].Content = "while not exists \"x\"\r\ndelay 100";
  world.Files["--odd"].Content = "bogus";
  const struct {
    V args;
    unsigned code;
    const char* out_starts;  // standard output begins with this
    const char* err_starts;  // standard error begins with this
  } rows[] = {
      {{"--help"}, 0, "KLAVRUN 0.5BETA - ", ""},
      {{"--version"}, 0, "klavrun 0.2.0\r\n", ""},
      {{"--timeout", "250ms", "s"}, 2, "Error at line: 2\r\nTimeout in while not exists", "--- klavrun:"},
      {{"--", "--odd"}, 2, "Error at line: 1\r\n", "--- klavrun: screen at line 1 ---\n"},
      {{"--odd"}, 2, "", "klavrun: unknown option --odd\nKLAVRUN 0.5BETA"},
      {{"--timeout"}, 2, "", "klavrun: --timeout needs a value\n"},
      {{"--timeout", "5h", "s"}, 2, "", "klavrun: --timeout takes a duration"},
      {{"--timeout", "5"}, 2, "", "klavrun: no script given\n"},
      {{"--timeout", "5", "s", "t"}, 2, "", "klavrun: one script at a time: t\n"},
      {{"--record", "r.cast", "s"}, 2, "", "klavrun: --record is not available\n"},
  };
  for (const auto& row : rows) {
    ResetAll();
    world.Files["s"].Content = "while not exists \"x\"\r\ndelay 100";
    world.Files["--odd"].Content = "bogus";
    RunResult r = RunKlavrun(row.args);
    EXPECT_EQ(r.Code, row.code) << row.args[0];
    EXPECT_EQ(r.Output.substr(0, std::strlen(row.out_starts)), row.out_starts) << row.args[0];
    EXPECT_EQ(world.ErrorOutput.substr(0, std::strlen(row.err_starts)), row.err_starts) << row.args[0];
  }
}

TEST(ParseDuration, TakesWholeNumbersInMillisecondsSecondsOrMinutes) {
  const struct {
    const char* text;
    std::int64_t ms;  // -1: refused
  } rows[] = {{"30", 30000},   {"30s", 30000}, {"500ms", 500}, {"2m", 120000}, {"0", 0},
              {"2147483647ms", 2147483647},    {"2147483648ms", -1}, {"35792m", -1},
              {"", -1},        {"s", -1},      {"1.5s", -1},   {"-1", -1},      {"5 s", -1},
              {"5S", -1},      {"10h", -1}};
  for (const auto& row : rows) {
    std::int64_t ms = -1;
    EXPECT_EQ(ParseDuration(row.text, &ms) ? ms : -1, row.ms) << row.text;
  }
}

TEST_F(ProgramTest, TheScriptsWaitTimeoutOverridesTheCommandLines) {
  const struct {
    const char* script;
    const char* output;
  } rows[] = {
      {"while not exists \"x\"\r\ndelay 100", "Error at line: 2\r\nTimeout in while not exists\r\n"},
      {"#define wait_timeout 0\r\nwhile not exists \"x\"\r\ndelay 100", ""},  // stops at 10 captures
      {"#define wait_timeout 1000\r\nwhile not exists \"x\"\r\ndelay 100", ""},
  };
  for (const auto& row : rows) {
    ResetAll();
    world.Files["s"].Content = row.script;
    world.CaptureLimit = 10;
    world.OnCaptureLimit = [] { throw record::Exited{99}; };
    RunResult r = RunKlavrun({"--timeout", "300ms", "s"});
    EXPECT_EQ(r.Output, row.output) << row.script;
    EXPECT_EQ(r.Code, *row.output ? 2u : 99u) << row.script;
  }
}

TEST_F(ProgramTest, ShowsTheScreenOnStandardErrorWhenTheRunFails) {
  world.Screens = {{"  C:\\> dir   ", "", "READY  "}};
  EXPECT_EQ(RunScript("bogus").Code, 2u);
  EXPECT_EQ(world.ErrorOutput, "--- klavrun: screen at line 1 ---\n  C:\\> dir\n\nREADY\n" +
                                   std::string(22, '\n') + "--- end of screen ---\n");
  ResetAll();
  world.StdErrIsConsole = true;  // the picture would land on the screen it shows
  RunScript("bogus");
  EXPECT_EQ(world.ErrorOutput, "");
  ResetAll();
  RunScript("send \"{enter x}\"");
  EXPECT_EQ(world.ErrorOutput.substr(0, 35), "--- klavrun: screen at line 1 ---\n\n");
}

TEST_F(ProgramTest, ScriptsInUtf16OrWithEndlessLinesFail) {
  const struct {
    std::string script;
    const char* output;
  } rows[] = {
      {"\xff\xfe" "d\0e\0", "Error at line: 1\r\nScript is UTF-16: save it as UTF-8 or ANSI\r\n"},
      {"rem a\r\nrem " + std::string(64 << 20, 'x') + "\r\ndelay 0",
       "Error at line: 2\r\nLine too long\r\n"},
      {"if \"x\"\r\n" + std::string((64 << 20) + 1, 'x'), "Error at line: 2\r\nLine too long\r\n"},
      {"\xef\xbb\xbf" "delay 1\ndelay 2\n\nbogus\n", "Error at line: 4\r\n"},
  };
  for (const auto& row : rows) {
    ResetAll();
    RunResult r = RunScript(row.script);
    EXPECT_EQ(r.Output, row.output);
    EXPECT_EQ(r.Code, 2u);
  }
}

TEST(SplitCommandLine, FollowsTheWindowsRules) {
  const struct {
    const char* line;
    V args;
  } rows[] = {
      {"klavrun", {}},                                {"klavrun s.txt", {"s.txt"}},
      {"  klavrun\t s.txt  ", {"s.txt"}},             {"\"C:\\Program Files\\klavrun.exe\" s.txt", {"s.txt"}},
      {"klavrun \"my script.txt\" x", {"my script.txt", "x"}}, {"klavrun a\"b c\"d", {"ab cd"}},
      {"klavrun \"\" s.txt", {"s.txt"}},               {"klavrun \"\"\"\"s", {"s"}},
      {"klavrun s \"", {"s"}},                         {"klavrun \"unclosed stretch", {"unclosed stretch"}},
      {"klavrun /? x", {"/?", "x"}},                   {"klavrun \x01x\x1fy", {"x", "y"}},
      {"klavrun \xe9t\xe9", {"\xe9t\xe9"}},
  };
  for (const auto& row : rows) EXPECT_EQ(SplitCommandLine(row.line), row.args) << row.line;
}

}  // namespace
