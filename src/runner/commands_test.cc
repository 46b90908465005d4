#include "runner/commands.h"

#include <gtest/gtest.h>

#include <tuple>

#include "platform/record/record_test_support.h"
#include "runner/dispatch.h"

namespace {

using V = std::vector<std::string>;

class CommandTest : public RecordTest {
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
};

TEST_F(CommandTest, DelaysTakeNonNegativeIntegersOnly) {
  EXPECT_TRUE(Execute(ckDelay, "$1f4") && Execute(ckDelay, "2147483647"));
  EXPECT_TRUE(Execute(ckLineDelay, "$fa") && Execute(ckCharDelay, "20"));
  const struct { CommandKind kind; const char* error; } kinds[] = {
      {ckDelay, "Error in delay command"}, {ckLineDelay, "Error in: #define LINE_DELAY"},
      {ckCharDelay, "Error in: #define CHAR_DELAY"}, {ckWaitTimeout, "Error in: #define WAIT_TIMEOUT"}};
  for (const auto& k : kinds)
    for (const char* bad : {"-1", "fast", "2147483648"}) {
      EXPECT_FALSE(Execute(k.kind, bad)) << bad;
      EXPECT_EQ(::Run.ErrorText, k.error) << bad;
    }
  EXPECT_EQ(::Run.LineDelay, 250);
  EXPECT_EQ(::Run.CharDelay, 20);
  EXPECT_EQ(Keys(), "s500 s2147483647");
}

TEST_F(CommandTest, StartCreatesTheProcessOnTheProgramsOwnConsole) {
  EXPECT_TRUE(Execute(ckStart, "\"edit readme.txt\""));
  EXPECT_EQ(CallsNamed({"CloseHandle"}), (V{"CloseHandle(0x304) = 0x1", "CloseHandle(0x300) = 0x1"}));
  const platform::STARTUPINFOA& si = world.LastStartup;
  EXPECT_EQ(std::make_tuple(si.cb, si.dwFlags, si.hStdInput, si.hStdOutput, si.hStdError),
            std::make_tuple(68u, 0x100u, record::kStdIn, record::kStdOut, platform::HANDLE{0}));
  // Only a missing file or path has a message: others leave the last one.
  world.CreateProcessResult = 0;
  world.CreateProcessError = 5;
  ::Run.ErrorText = "earlier";
  EXPECT_FALSE(Execute(ckStart, "\"denied\""));
  EXPECT_EQ(::Run.ErrorText, "earlier");
  EXPECT_EQ(CallsNamed({"CloseHandle"}).size(), 2u);
}

}  // namespace
