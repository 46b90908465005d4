#include "runner/main.h"

#include <gtest/gtest.h>

#include <regex>

#include "platform/record/record_test_support.h"

namespace {

using V = std::vector<std::string>;

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetAll(); }
  record::World& world = record::TheWorld();
};

TEST_F(ProgramTest, PrintsUsageForAnythingButOneScriptArgument) {
  for (const V& args : {V{}, V{"/?"}, V{"?"}, V{"a", "b"}, V{"\"x y\"", "z"}}) {
    ResetAll();
    RunResult r = RunKlavrun(args);
    EXPECT_EQ(r.Code, 0u);
    EXPECT_TRUE(std::regex_match(r.Output, std::regex("KLAVRUN 0\\.5BETA - [^\r\n]+\r\n  [^ \r\n][^\r\n]*\r\n"
                                                      "  USAGE: Klavrun scriptfile\r\n\r\n")))
        << r.Output;
    EXPECT_TRUE(CallsNamed({"CreateFileA"}).empty());
  }
}

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
    EXPECT_EQ(r.Code, 0u) << row.script;
    EXPECT_EQ(r.Output, row.output) << row.script;
    EXPECT_EQ(CallsNamed({"CloseHandle"}), V{"CloseHandle(0x100) = 0x1"}) << row.script;
  }
  EXPECT_EQ(CallsNamed({"Sleep"}), V{});  // the line after the failing one never ran
}

TEST_F(ProgramTest, WritesAtOnceOnAConsoleAndOnceAtTheEndOtherwise) {
  world.StdOutType = platform::FILE_TYPE_CHAR;
  RunScript("delay x");
  EXPECT_EQ(CallsNamed({"WriteFile"}).size(), 2u);
  ResetAll();
  RunScript("delay x");
  EXPECT_EQ(CallsNamed({"WriteFile"}).size(), 1u);
}

TEST_F(ProgramTest, EndsWithExitCodeOneWhenStandardOutputFails) {
  world.WriteError = platform::ERROR_BROKEN_PIPE;
  EXPECT_EQ(RunScript("bad").Code, 1u);
  EXPECT_EQ(CallsNamed({"WriteFile"}).size(), 2u);  // the report, then the error report
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
