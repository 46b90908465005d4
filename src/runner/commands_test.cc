#include "runner/commands.h"

#include <gtest/gtest.h>

#include <tuple>

#include "platform/record/record_test_support.h"
#include "runner/dispatch.h"

namespace {

using V = std::vector<std::string>;

class CommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetAll();
    ::Run.ConsoleWindow = record::kConsoleWindow;
    ::Run.StdInHandle = record::kStdIn;
    ::Run.StdOutHandle = record::kStdOut;
  }
  // Runs one classified line as the dispatcher would, CommandOk false first.
  bool Execute(CommandKind kind, const std::string& argument) {
    ::Run.CommandOk = false;
    ExecuteCommand(kind, argument);
    return ::Run.CommandOk;
  }
  record::World& world = record::TheWorld();
};

TEST_F(CommandTest, DelaysTakeNonNegativeIntegersOnly) {
  for (const char* arg : {"0", "$1f4", "2147483647"}) EXPECT_TRUE(Execute(ckDelay, arg)) << arg;
  EXPECT_TRUE(Execute(ckLineDelay, "0") && Execute(ckLineDelay, "$fa") && Execute(ckCharDelay, "20"));
  const struct {
    CommandKind kind;
    const char* error;
  } kinds[] = {{ckDelay, "Error in delay command"},
               {ckLineDelay, "Error in: #define LINE_DELAY"},
               {ckCharDelay, "Error in: #define CHAR_DELAY"}};
  for (const auto& k : kinds)
    for (const char* bad : {"-1", "fast", "\"500\"", "500 ms", "", "2147483648"}) {
      EXPECT_FALSE(Execute(k.kind, bad)) << bad;
      EXPECT_EQ(::Run.ErrorText, k.error) << bad;
    }
  EXPECT_EQ(::Run.LineDelay, 250);
  EXPECT_EQ(::Run.CharDelay, 20);
  EXPECT_EQ(Keys(), "s0 s500 s2147483647");
}

TEST_F(CommandTest, StartCreatesTheProcessOnTheProgramsOwnConsole) {
  EXPECT_TRUE(Execute(ckStart, "\"edit readme.txt\""));
  EXPECT_EQ(CallsNamed({"CreateProcessA", "CloseHandle"}),
            (V{"CreateProcessA(0x0, \"edit readme.txt\", 0x0, 0x0, 0x1, 0x20, 0x0, 0x0, _, _) = 0x1",
               "CloseHandle(0x304) = 0x1", "CloseHandle(0x300) = 0x1"}));
  const platform::STARTUPINFOA& si = world.LastStartup;
  EXPECT_EQ(std::make_tuple(si.cb, si.dwFlags, si.hStdInput, si.hStdOutput, si.hStdError),
            std::make_tuple(68u, 0x100u, record::kStdIn, record::kStdOut, platform::HANDLE{0}));
}

TEST_F(CommandTest, StartFailuresGiveMessagesOnlyForMissingFilesAndPaths) {
  const struct {
    platform::DWORD error;
    const char* message;
  } rows[] = {{2, "File not found: nothere x"}, {3, "Path not found: nothere x"},
              {5, "earlier"}, {193, "earlier"}};
  for (const auto& row : rows) {
    SetUp();
    world.CreateProcessResult = 0;
    world.CreateProcessError = row.error;
    ::Run.ErrorText = "earlier";
    EXPECT_FALSE(Execute(ckStart, "\"nothere x\""));
    EXPECT_EQ(::Run.ErrorText, row.message);
    EXPECT_TRUE(CallsNamed({"CloseHandle"}).empty());
  }
}

TEST_F(CommandTest, TitleSetsTheConsoleTitleAndFailsWithoutAConsole) {
  EXPECT_TRUE(Execute(ckTitle, "\"nightly build\""));
  EXPECT_EQ(CallsNamed({"SetWindowTextA"}), V{"SetWindowTextA(0x10010, \"nightly build\") = 0x1"});
  ::Run.ConsoleWindow = 0;
  EXPECT_FALSE(Execute(ckTitle, "\"x\""));
  EXPECT_EQ(::Run.ErrorText, "");
}

TEST_F(CommandTest, DispatchTableCoversEveryKind) {
  ::Run.ErrorText = "kept";
  EXPECT_FALSE(Execute(ckInvalid, "anything"));
  EXPECT_EQ(::Run.ErrorText, "kept");
  EXPECT_TRUE(Execute(ckRem, "anything"));
  EXPECT_FALSE(Execute(static_cast<CommandKind>(200), "x"));
  EXPECT_TRUE(world.Calls.empty());
}

TEST(StripQuotes, DropsTheFirstAndLastCharacters) {
  for (const char* text : {"", "a", "ab"}) EXPECT_EQ(StripQuotes(text), "") << text;
  EXPECT_EQ(StripQuotes("'abc'"), "abc");
  EXPECT_EQ(StripQuotes("\"a\"b\""), "a\"b");
}

}  // namespace
