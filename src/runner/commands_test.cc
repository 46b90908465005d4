#include "runner/commands.h"

#include <gtest/gtest.h>

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
    ::Run.LineDelay = 100;
  }
  // Runs one classified line as the dispatcher would, CommandOk false first.
  bool Execute(CommandKind kind, const std::string& argument) {
    ::Run.CommandOk = false;
    ExecuteCommand(kind, argument);
    return ::Run.CommandOk;
  }
  record::World& world = record::TheWorld();
};

TEST_F(CommandTest, DelaySleepsForValidNonNegativeCounts) {
  const struct {
    const char* arg;
    const char* sleep;  // nullptr: fails without sleeping
  } rows[] = {
      {"0", "Sleep(0x0)"},        {"500", "Sleep(0x1f4)"}, {"$1f4", "Sleep(0x1f4)"},
      {"0x10", "Sleep(0x10)"},    {"2147483647", "Sleep(0x7fffffff)"},
      {"\"500\"", nullptr},       {"1.5", nullptr},        {"500 ms", nullptr},
      {"-$10", nullptr},          {"2147483648", nullptr}, {"-1", nullptr},
      {"", nullptr},
  };
  for (const auto& row : rows) {
    SetUp();
    bool ok = Execute(ckDelay, row.arg);
    if (row.sleep) {
      EXPECT_TRUE(ok) << row.arg;
      EXPECT_EQ(CallsNamed({"Sleep"}), V{row.sleep}) << row.arg;
    } else {
      EXPECT_FALSE(ok) << row.arg;
      EXPECT_EQ(::Run.ErrorText, "Error in delay command") << row.arg;
      EXPECT_TRUE(CallsNamed({"Sleep"}).empty()) << row.arg;
    }
  }
}

TEST_F(CommandTest, LineDelayAndCharDelayStoreValidCountsOnly) {
  EXPECT_TRUE(Execute(ckLineDelay, "0"));
  EXPECT_EQ(::Run.LineDelay, 0);
  EXPECT_TRUE(Execute(ckLineDelay, "$fa"));
  EXPECT_EQ(::Run.LineDelay, 250);
  for (const char* bad : {"fast", "-5", "", " 5 "}) {
    EXPECT_FALSE(Execute(ckLineDelay, bad)) << bad;
    EXPECT_EQ(::Run.ErrorText, "Error in: #define LINE_DELAY");
    EXPECT_EQ(::Run.LineDelay, 250);
  }

  EXPECT_TRUE(Execute(ckCharDelay, "20"));
  EXPECT_EQ(::Run.CharDelay, 20);
  for (const char* bad : {"x", "-1", "$"}) {
    EXPECT_FALSE(Execute(ckCharDelay, bad)) << bad;
    EXPECT_EQ(::Run.ErrorText, "Error in: #define CHAR_DELAY");
    EXPECT_EQ(::Run.CharDelay, 20);
  }
  EXPECT_TRUE(CallsNamed({"Sleep"}).empty());
}

TEST_F(CommandTest, StartCreatesTheProcessOnTheProgramsOwnConsole) {
  EXPECT_TRUE(Execute(ckStart, "\"edit readme.txt\""));
  EXPECT_EQ(CallsNamed({"CreateProcessA", "CloseHandle"}),
            (V{"CreateProcessA(0x0, \"edit readme.txt\", 0x0, 0x0, 0x1, 0x20, 0x0, 0x0, _, _) = 0x1",
               "CloseHandle(0x304) = 0x1", "CloseHandle(0x300) = 0x1"}));
  const platform::STARTUPINFOA& si = world.LastStartup;
  EXPECT_EQ(si.cb, 68u);
  EXPECT_EQ(si.dwFlags, 0x100u);
  EXPECT_EQ(si.hStdInput, record::kStdIn);
  EXPECT_EQ(si.hStdOutput, record::kStdOut);
  EXPECT_EQ(si.hStdError, 0u);
  EXPECT_EQ(si.lpDesktop, nullptr);
  EXPECT_EQ(si.lpTitle, nullptr);
  EXPECT_EQ(si.dwX | si.dwY | si.dwXSize | si.dwYSize | si.dwXCountChars | si.dwYCountChars |
                si.dwFillAttribute | si.wShowWindow | si.cbReserved2,
            0u);
  EXPECT_TRUE(world.LastInheritHandles);
  EXPECT_EQ(world.LastCreationFlags, 0x20u);
}

TEST_F(CommandTest, StartStripsTwoCharactersWhateverTheyAre) {
  Execute(ckStart, "edit.exe");
  Execute(ckStart, "\"\"");
  Execute(ckStart, "x");
  EXPECT_EQ(CallsNamed({"CreateProcessA"}),
            (V{"CreateProcessA(0x0, \"dit.ex\", 0x0, 0x0, 0x1, 0x20, 0x0, 0x0, _, _) = 0x1",
               "CreateProcessA(0x0, \"\", 0x0, 0x0, 0x1, 0x20, 0x0, 0x0, _, _) = 0x1",
               "CreateProcessA(0x0, \"\", 0x0, 0x0, 0x1, 0x20, 0x0, 0x0, _, _) = 0x1"}));
}

TEST_F(CommandTest, StartFailuresGiveMessagesOnlyForMissingFilesAndPaths) {
  const struct {
    platform::DWORD error;
    const char* message;
  } rows[] = {{2, "File not found: nothere x"},
              {3, "Path not found: nothere x"},
              {5, "earlier"},
              {193, "earlier"}};
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
  EXPECT_EQ(CallsNamed({"SetWindowTextA"}),
            V{"SetWindowTextA(0x10010, \"nightly build\") = 0x1"});
  ::Run.ConsoleWindow = 0;
  ::Run.ErrorText = "";
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
  EXPECT_EQ(StripQuotes(""), "");
  EXPECT_EQ(StripQuotes("a"), "");
  EXPECT_EQ(StripQuotes("ab"), "");
  EXPECT_EQ(StripQuotes("'abc'"), "abc");
  EXPECT_EQ(StripQuotes("\"a\"b\""), "a\"b");
}

}  // namespace
