#include "runner/conditional.h"

#include <gtest/gtest.h>

#include "platform/record/record_test_support.h"
#include "runner/globals.h"

namespace {

using V = std::vector<std::string>;
using Screen = std::vector<std::string>;

class ConditionalTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetAll(); }
  record::World& world = record::TheWorld();
  // Screens with `text` appearing from capture `from` on (0-based).
  void TextFrom(const std::string& text, int from) {
    world.Screens.assign(from, Screen{"working..."});
    world.Screens.push_back(Screen{"", text});
  }
  std::size_t Sleeps() { return CallsNamed({"Sleep"}).size(); }
};

TEST_F(ConditionalTest, WhileNotExistsRunsTheBodyUntilTheTextShows) {
  for (int passes : {0, 1, 3}) {
    SetUp();
    TextFrom("READY", passes);
    RunResult r = RunScript("while not exists \"ready\"\r\ndelay 200\r\ntitle \"after\"");
    EXPECT_EQ(r.Output, "") << passes;
    EXPECT_EQ(Sleeps(), static_cast<std::size_t>(passes));
    EXPECT_EQ(world.Captures, passes + 1);
    EXPECT_EQ(CallsNamed({"PeekMessageA"}).size(), static_cast<std::size_t>(passes));
    EXPECT_EQ(CallsNamed({"SetWindowTextA"}).size(), 1u);  // the line after the body
  }
}

TEST_F(ConditionalTest, WhileExistsRunsTheBodyWhileTheTextShows) {
  world.Screens = {{"copying"}, {"copying"}, {"done"}};
  RunScript("while exists \"copying\"\r\ndelay 1");
  EXPECT_EQ(Sleeps(), 2u);
  SetUp();
  RunScript("while exists \"copying\"\r\ndelay 1");
  EXPECT_EQ(Sleeps(), 0u);
}

TEST_F(ConditionalTest, IfRunsTheBodyOnceWithoutFurtherCaptures) {
  world.Screens = {{"press any key"}};
  RunScript("if \"press any key\"\r\ndelay 7\r\nif \"error\"\r\ndelay 8");
  EXPECT_EQ(CallsNamed({"Sleep"}), V{"Sleep(0x7)"});
  EXPECT_EQ(world.Captures, 2);
  EXPECT_TRUE(CallsNamed({"PeekMessageA"}).empty());
}

TEST_F(ConditionalTest, IfExistsFormTestsATextBeginningWithXists) {
  world.Screens = {{"ok", "xists \"ok"}};
  RunScript("if exists \"ok\"\r\ndelay 1\r\nif exists \"nope\"\r\ndelay 2");
  EXPECT_EQ(CallsNamed({"Sleep"}), V{"Sleep(0x1)"});
}

TEST_F(ConditionalTest, InvalidBodyFailsUnderTheBodysLineEvenWhenNotRun) {
  const char* scripts[] = {
      "rem x\r\nwhile not exists \"ready\"\r\nwait 5\r\ndelay 1",
      "rem x\r\nif \"absent\"\r\nwait 5\r\ndelay 1",
      "rem x\r\nwhile exists \"absent\"\r\nwait 5\r\ndelay 1",
  };
  for (const char* script : scripts) {
    SetUp();
    world.Screens = {{"ready"}};
    ::Run.ErrorText = "";
    RunResult r = RunScript(script);
    EXPECT_EQ(r.Output, "Error at line: 3\r\n") << script;
    EXPECT_EQ(Sleeps(), 0u);
    EXPECT_EQ(world.Captures, 1);  // captured before the body was classified
  }
}

TEST_F(ConditionalTest, FailingBodyIsAbsorbedAndItsMessageKept) {
  TextFrom("ready", 2);
  world.CreateProcessResult = 0;
  world.CreateProcessError = 2;
  RunResult r = RunScript("while not exists \"ready\"\r\nstart \"missing\"\r\nbad");
  EXPECT_EQ(CallsNamed({"CreateProcessA"}).size(), 2u);
  EXPECT_EQ(r.Output, "Error at line: 3\r\nFile not found: missing\r\n");
}

TEST_F(ConditionalTest, NestedConditionalReadsANewBodyLineEveryPass) {
  // Pass 1 and 2: the inner if reads lines 3 and 4 as its bodies.
  world.Screens = {{"retry"}, {"retry"}, {"retry"}, {"retry"}, {"retry done"}};
  RunResult r = RunScript(
      "while not exists \"done\"\r\nif \"retry\"\r\ndelay 1\r\ndelay 2\r\ndelay 3");
  EXPECT_EQ(r.Output, "");
  EXPECT_EQ(CallsNamed({"Sleep"}), (V{"Sleep(0x1)", "Sleep(0x2)", "Sleep(0x3)"}));
}

TEST_F(ConditionalTest, SkippedNestedBodyLeavesItsLineToTheRunLoop) {
  RunResult r = RunScript("if \"absent\"\r\nif \"x\"\r\ndelay 5");
  EXPECT_EQ(r.Output, "");
  EXPECT_EQ(CallsNamed({"Sleep"}), V{"Sleep(0x5)"});
}

TEST_F(ConditionalTest, ConditionalOnTheLastLineReadsAnEmptyComment) {
  world.Screens = {{"ready"}};
  RunResult r = RunScript("if \"ready\"");
  EXPECT_EQ(r.Output, "");
  EXPECT_EQ(::Run.LineNumber, 2);
}

TEST_F(ConditionalTest, EmptyConditionsNeverRunTheBody) {
  world.Screens = {{"anything"}};
  RunResult r = RunScript("while exists \"\"\r\ndelay 1\r\nif \"\"\r\ndelay 2\r\nif \"x\r\ndelay 3");
  EXPECT_EQ(r.Output, "");
  EXPECT_EQ(Sleeps(), 0u);
}

TEST_F(ConditionalTest, WhileNotExistsWithAnEmptyConditionFailsInsteadOfWaitingForever) {
  for (const char* line : {"while not exists \"\"", "while not exists x"}) {
    SetUp();
    RunResult r = RunScript(std::string(line) + "\r\ndelay 1\r\ndelay 2");
    EXPECT_EQ(r.Output, "Error at line: 2\r\nEmpty condition in while not exists\r\n") << line;
    EXPECT_EQ(Sleeps(), 0u);
  }
  SetUp();  // an invalid body still fails first, without the message
  RunResult r = RunScript("while not exists \"\"\r\nwait");
  EXPECT_EQ(r.Output, "Error at line: 2\r\n");
}

TEST_F(ConditionalTest, PumpDeliversAllMessagesAndDropsQuit) {
  world.Messages = {{0, 0x113, 0, 0, 0, {}}, {0, platform::WM_QUIT, 0, 0, 0, {}},
                    {0, 0x100, 0, 0, 0, {}}};
  PumpMessages();
  EXPECT_EQ(CallsNamed({"PeekMessageA"}).size(), 4u);
  EXPECT_EQ(CallsNamed({"DispatchMessageA"}).size(), 2u);
  EXPECT_EQ(CallsNamed({"TranslateMessage"}).size(), 2u);
  EXPECT_TRUE(world.Messages.empty());
}

}  // namespace
