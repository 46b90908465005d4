#include "keys/send_keys.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "platform/record/record_test_support.h"
#include "platform/us_layout.h"
#include "runner/globals.h"

namespace {

// Expected events in short form: "a41" a key-down and key-up pair of vk
// 0x41, "x25" the same with the extended flag, "d10" a key-down, "u10" a
// key-up, "box:TEXT" a message box, "sleep:N" a pause.
std::vector<std::string> Expand(const std::string& list) {
  std::vector<std::string> out;
  std::istringstream in(list);
  std::string token;
  auto event = [&](unsigned vk, unsigned flags) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%x %x %x", vk, platform::UsMapVirtualKey(vk, 0) & 0xff, flags);
    out.push_back(buf);
  };
  while (in >> token) {
    if (token.rfind("box:", 0) == 0) {
      std::string text = token.substr(4);
      for (char& c : text)
        if (c == '_') c = ' ';
      out.push_back("box " + text);
      continue;
    }
    if (token.rfind("sleep:", 0) == 0) {
      out.push_back("sleep " + token.substr(6));
      continue;
    }
    unsigned vk = std::stoul(token.substr(1), nullptr, 16);
    switch (token[0]) {
      case 'a': event(vk, 0); event(vk, 2); break;
      case 'x': event(vk, 1); event(vk, 3); break;
      case 'd': event(vk, 0); break;
      case 'u': event(vk, 2); break;
    }
  }
  return out;
}

struct Row {
  std::string keys;
  bool result;
  std::string events;
};

class SendKeysTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetAll(); }
  void Check(const Row& row) {
    SetUp();
    EXPECT_EQ(SendKeys(row.keys, true), row.result) << row.keys;
    EXPECT_EQ(KeyEvents(), Expand(row.events)) << row.keys;
  }
};

TEST_F(SendKeysTest, EveryFormOfTheLanguageSendsItsEvents) {
  const Row rows[] = {
      {"", false, ""},
      {"abc", true, "a41 a42 a43"},
      {"+a", true, "d10 a41 u10"},
      {"+(ab)c", true, "d10 a41 a42 u10 a43"},
      {"^+a", true, "d11 d10 a41 u10 u11"},
      {"%^+a", true, "d12 d11 d10 a41 u10 u11 u12"},
      {"++a", true, "d10 d10 a41 u10"},
      {"a+", true, "a41 d10 u10"},
      {"((a)b)", true, "a41 a42"},
      {"~", true, "a0d"},
      {"+~", true, "d10 a0d u10"},
      {"{enter 3}", true, "a0d a0d a0d"},
      {"+{enter 0}", true, "d10 u10"},
      {"{left 2}", true, "x25 x25"},
      {"{a}", true, "d10 a41 u10"},
      {"{{}", true, "d10 adb u10"},
      {"{}}", true, "d10 add u10"},
      {"{enter}}", true, "d10 add u10"},
      {"{{x", true, "d10 adb u10"},
      {"{{", true, "d10 adb u10"},
      {"ab{enter", false, "a41 a42 box:No_Close"},
      {"{", false, "box:No_Close"},
      {"{}", true, "box:Invalid_Key_Name"},
      {"{ 5}", true, "box:Invalid_Key_Name"},
      {"{bogus}a", true, "box:Invalid_Key_Name a41"},
      {"}", true, "d10 add u10"},
      {"!", true, "d10 a31 u10"},
      {"A", true, "d10 a41 u10"},  // a capital reaching the engine is typed as one
      {"{f16}{prtsc}{break}", true, "a7f a2a a03"},
      {"{numlock}", true, ""},
      {"{pgdn}{pgup}{home}{end}{ins}{del}{up}{down}{right}",
       true, "x22 x21 x24 x23 x2d x2e x26 x28 x27"},
      {"{\x80}", true, ""},  // a one-character name with no key: skipped silently
      {"+\x80" "a", true, "d10 box:Invalid_KeyName a41 u10"},
      {"{enter $3}", true, "a0d a0d a0d"},
      {"{enter +2}", true, "a0d a0d"},
      {"{enter   2}", true, "a0d a0d"},
      {std::string("ab\0cd", 5), true, "a41 a42"},
      {"{abcdefghijklmnopqrstuvwxyz}x", true, "box:Invalid_Key_Name a58"},
  };
  for (const Row& row : rows) Check(row);
}

TEST_F(SendKeysTest, OnlyTheFirstTwentyNameCharactersCount) {
  // "ENTER" plus 15 blanks is 20 characters: the count "2" is cut off, so
  // the count text is empty.
  SetUp();
  try {
    SendKeys("{enter" + std::string(15, ' ') + "2}", true);
    FAIL() << "no error raised";
  } catch (const RaisedError& e) {
    EXPECT_EQ(e.Message, "'" + std::string(14, ' ') + "' is not a valid integer value");
  }
  // Within 20 characters the count is read.
  Check({"{enter" + std::string(12, ' ') + "2}", true, "a0d a0d"});
}

TEST_F(SendKeysTest, MinusOneRepeatsSixtyFiveThousandFiveHundredThirtyFiveTimes) {
  SetUp();
  EXPECT_TRUE(SendKeys("{enter -1}", false));
  EXPECT_EQ(CallsNamed({"keybd_event"}).size(), 2u * 65535);
  SetUp();
  EXPECT_TRUE(SendKeys("{enter 65536}", false));
  EXPECT_TRUE(CallsNamed({"keybd_event"}).empty());
}

TEST_F(SendKeysTest, BadRepeatCountsRaiseTheConversionErrorWithTheUpperCasedText) {
  const struct {
    const char* keys;
    const char* message;
  } rows[] = {
      {"{enter x}", "'X' is not a valid integer value"},
      {"{enter }", "'' is not a valid integer value"},
      {"{pgdn 3 }", "'3 ' is not a valid integer value"},
      {"{a 1.5}", "'1.5' is not a valid integer value"},
      {"{enter 99999999999}", "'99999999999' is not a valid integer value"},
  };
  for (const auto& row : rows) {
    SetUp();
    try {
      SendKeys(row.keys, true);
      FAIL() << row.keys;
    } catch (const RaisedError& e) {
      EXPECT_EQ(e.ClassName, "EConvertError");
      EXPECT_EQ(e.Message, row.message);
    }
  }
}

TEST_F(SendKeysTest, NoModifierIsLeftDownOnAnyWayOut) {
  const Row rows[] = {
      {"+(ab", true, "d10 a41 a42 u10"},
      {"^%(", true, "d11 d12 u11 u12"},
      {"+{enter", false, "d10 box:No_Close u10"},
      {"%+(x{f1", false, "d12 d10 a58 box:No_Close u10 u12"},
  };
  for (const Row& row : rows) Check(row);

  SetUp();
  EXPECT_THROW(SendKeys("^+{enter x}", true), RaisedError);
  EXPECT_EQ(KeyEvents(), Expand("d11 d10 u10 u11"));
}

TEST_F(SendKeysTest, CharDelayPausesAfterEveryKeySent) {
  SetUp();
  ::Run.CharDelay = 20;
  SendKeys("+a~{bogus}{enter 2}", true);
  EXPECT_EQ(KeyEvents(),
            Expand("d10 a41 sleep:20 u10 a0d sleep:20 box:Invalid_Key_Name a0d a0d sleep:20"));
}

TEST_F(SendKeysTest, EveryByteIsHandledWithoutCrashingOrHoldingKeys) {
  std::string all;
  for (int b = 1; b < 256; ++b)
    if (b != '{') all += static_cast<char>(b);
  SetUp();
  SendKeys(all + all, true);
  int shift = 0, ctrl = 0, alt = 0;
  for (const std::string& e : KeyEvents()) {
    unsigned vk, scan, flags;
    if (std::sscanf(e.c_str(), "%x %x %x", &vk, &scan, &flags) != 3) continue;
    int delta = (flags & 2) ? -1 : 1;
    if (vk == 0x10) shift = std::max(0, shift + delta);
    if (vk == 0x11) ctrl = std::max(0, ctrl + delta);
    if (vk == 0x12) alt = std::max(0, alt + delta);
  }
  EXPECT_EQ(shift + ctrl + alt, 0);

  SetUp();
  std::string long_keys(100000, 'a');
  EXPECT_TRUE(SendKeys(long_keys, false));
  EXPECT_EQ(CallsNamed({"keybd_event"}).size(), 200000u);
}

TEST_F(SendKeysTest, ActivationFailureTypesNothing) {
  SetUp();
  EXPECT_FALSE(ActivateAndSendKeys(0, "abc", true));
  EXPECT_TRUE(KeyEvents().empty());
  EXPECT_TRUE(ActivateAndSendKeys(record::kConsoleWindow, "a", true));
  EXPECT_EQ(record::TheWorld().Foreground, record::kConsoleWindow);
}

TEST_F(SendKeysTest, SendLineTypesIntoTheConsoleThenPauses) {
  const struct {
    const char* script;
    std::string events;
    const char* output;
  } rows[] = {
      {"send \"hi~\"", "a48 a49 a0d sleep:100", ""},
      {"#define line_delay 0\r\nsend \"x\"", "a58 sleep:0", ""},
      {"send abc", "a42 sleep:100", ""},
      {"send \"\"", "sleep:100", "Error at line: 1\r\n"},
      {"send x", "sleep:100", "Error at line: 1\r\n"},
      {"send \"ab{enter\"", "a41 a42 box:No_Close sleep:100", "Error at line: 1\r\n"},
  };
  for (const auto& row : rows) {
    SetUp();
    RunResult r = RunScript(row.script);
    EXPECT_EQ(r.Output, row.output) << row.script;
    EXPECT_EQ(KeyEvents(), Expand(row.events)) << row.script;
  }
}

TEST_F(SendKeysTest, BadRepeatCountEndsTheProgramWithTheUnhandledErrorReport) {
  SetUp();
  RunResult r = RunScript("send \"{enter x}\"\r\ndelay 5");
  EXPECT_EQ(r.Code, 1u);
  EXPECT_EQ(r.Output.substr(0, 46), "Exception EConvertError in module klavrun.exe ");
  EXPECT_EQ(r.Output.substr(r.Output.find('\n')), "\n'X' is not a valid integer value.\r\n");
  EXPECT_TRUE(KeyEvents().empty());  // neither the pause nor the next line
}

}  // namespace
