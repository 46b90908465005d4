#include "runner/commands.h"

#include <gtest/gtest.h>

#include <tuple>

#include "keys/activate.h"
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

TEST_F(CommandTest, AppNeverReusesAnEarlierFind) {
  world.Windows = {{7, "Untitled - Notepad"}};
  HandleApp("\"untitled - notepad\"");
  EXPECT_EQ(FoundWindow, 7u);
  HandleApp("\"no such window\"");
  EXPECT_EQ(::Run.ErrorText, "Window not found: no such window");
  EXPECT_EQ(FoundWindow, 0u);
}

// Each row: what the world refuses, whether the line succeeds, and the file calls made.
TEST_F(CommandTest, SnapshotWritesTheScreenToANewFileThenRenamesItOverTheName) {
  const std::string kTemporary = "out/screen.txt.4096.tmp";
  const std::string kCreate = "CreateFileA(\"" + kTemporary + "\", 0x40000000, 0x0, 0x0, 0x1, 0x80, 0x0)";
  const std::string kClose = "CloseHandle(0x100) = 0x1", kDelete = "DeleteFileA(\"" + kTemporary + "\")";
  const std::string kMove = "MoveFileExA(\"" + kTemporary + "\", \"out/screen.txt\", 0x1)";
  const std::string kWrite = "WriteFile(0x100, \"  Caf\\xc3\\xa9 >\\x0a\\x0a\\x09last\\x0a\", 0x11, _, 0x0)";
  const struct { const char* refused; bool ok; V calls; } rows[] = {
      {"", true, {kCreate + " = 0x100", kWrite + " = 0x1", kClose, kMove + " = 0x1"}},
      {"create", false, {kCreate + " = 0xffffffff"}},
      {"temporary", false, {kCreate + " = 0xffffffff"}},  // a name taken: never opened
      {"write", false, {kCreate + " = 0x100", kWrite + " = 0x0", kClose, kDelete + " = 0x1"}},
      {"rename", false, {kCreate + " = 0x100", kWrite + " = 0x1", kClose, kMove + " = 0x0", kDelete + " = 0x1"}},
  };
  for (const auto& row : rows) {
    SetUp();
    world.ProcessId = 4096;
    world.ScreenRows = 3;
    world.Screens = {{"  Caf\xc3\xa9 >  ", "", "\tlast\x01"}};
    const std::string refused = row.refused;
    if (refused == "create") world.OpenErrors[kTemporary] = platform::ERROR_PATH_NOT_FOUND;
    if (refused == "temporary") world.Files[kTemporary].Content = "planted";
    if (refused == "write") world.FileWriteError = platform::ERROR_HANDLE_DISK_FULL;
    if (refused == "rename") world.MoveErrors["out/screen.txt"] = platform::ERROR_ACCESS_DENIED;
    EXPECT_EQ(Execute(ckSnapshot, "\"out/screen.txt\""), row.ok) << refused;
    EXPECT_EQ(::Run.ErrorText, row.ok ? "" : "Error in snapshot command") << refused;
    EXPECT_EQ(CallsNamed({"CreateFileA", "WriteFile", "CloseHandle", "MoveFileExA", "DeleteFileA"}),
              row.calls) << refused;
    // The whole screen or nothing under the name; the temporary file gone, or left as found.
    EXPECT_EQ(world.Files.count("out/screen.txt") ? world.Files["out/screen.txt"].Content : "-",
              row.ok ? "  Caf\xc3\xa9 >\n\n\tlast\n" : "-") << refused;
    EXPECT_EQ(world.Files.count(kTemporary) ? world.Files[kTemporary].Content : "-",
              refused == "temporary" ? "planted" : "-") << refused;
  }
}

}  // namespace
