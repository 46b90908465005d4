#include "keys/send_keys.h"

#include <gtest/gtest.h>

#include "platform/record/record_test_support.h"

namespace {

using SendKeysTest = RecordTest;

TEST_F(SendKeysTest, EveryFormOfTheLanguageSendsItsEvents) {
  const struct { std::string keys; bool result; const char* events; } rows[] = {
      {"", false, ""},                             {"abc", true, "a41 a42 a43"},
      {"+(ab)c", true, "d10 a41 a42 u10 a43"},     {"%^+a", true, "d12 d11 d10 a41 u10 u11 u12"},
      {"++a", true, "d10 d10 a41 u10"},            {"a+", true, "a41 a10"},
      {"((a)b)", true, "a41 a42"},                 {"+~", true, "d10 ad u10"},
      {"{enter 3}", true, "ad ad ad"},             {"+{enter 0}", true, "a10"},
      {"{left 2}", true, "x25 x25"},               {"{a}", true, "d10 a41 u10"},
      {"{enter}}", true, "d10 add u10"},           {"{{x", true, "d10 adb u10"},
      {"}", true, "d10 add u10"},                  {"{numlock 2}", true, "x90"},
      {"{pgdn}{pgup}{home}{end}{ins}{del}{up}{down}{right}", true, "x22 x21 x24 x23 x2d x2e x26 x28 x27"},
      {"ab{enter", false, "a41 a42 box:No_Close"}, {"{", false, "box:No_Close"},
      {"{}", true, "box:Invalid_Key_Name"},        {"{ 5}", true, "box:Invalid_Key_Name"},
      {"{bogus}a", true, "box:Invalid_Key_Name a41"},
      {"{abcdefghijklmnopqrstuvwxyz}x", true, "box:Invalid_Key_Name a58"},
      {"{\x80}", true, ""},  // a one-character name with no key: skipped silently
      {"+\x80" "a", true, "d10 box:Invalid_KeyName a41 u10"},
      {"{enter" + std::string(12, ' ') + "2}", true, "ad ad"},  // 20 name characters
      {"{enter $3}", true, "ad ad ad"},            {"{enter +2}", true, "ad ad"},
      {"{enter 65536}", true, ""},                 {std::string("ab\0cd", 5), true, "a41 a42"},
      // No modifier is left down on any way out.
      {"+(ab", true, "d10 a41 a42 u10"},           {"+{enter", false, "d10 box:No_Close u10"},
      {"%+(x{f1", false, "d12 d10 a58 box:No_Close u10 u12"},
  };
  for (const auto& row : rows) {
    SetUp();
    EXPECT_EQ(SendKeys(row.keys, true, 0), row.result) << row.keys;
    EXPECT_EQ(Keys(), row.events) << row.keys;
  }
}

TEST_F(SendKeysTest, BadRepeatCountsEndTheSendWithModifiersReleased) {
  const struct { std::string keys, count; const char* events; } rows[] = {
      {"{enter x}", "X", ""}, {"{pgdn 3 }", "3 ", ""}, {"{enter 99999999999}", "99999999999", ""},
      // Only 20 name characters count: the "2" is cut off.
      {"{enter" + std::string(15, ' ') + "2}", std::string(14, ' '), ""},
      {"^+{enter x}", "X", "d11 a10 u11"},
  };
  for (const auto& row : rows) {
    SetUp();
    std::string thrown = "nothing thrown";
    try {
      SendKeys(row.keys, true, 0);
    } catch (const BadRepeatCount& e) {
      thrown = e.Text;
    }
    EXPECT_EQ(thrown, row.count) << row.keys;
    EXPECT_EQ(Keys(), row.events) << row.keys;
  }
}

TEST_F(SendKeysTest, CharDelayPausesAfterEveryKeySent) {
  SendKeys("+a~{bogus}{enter 2}", true, 20);
  EXPECT_EQ(Keys(), "d10 a41 s20 u10 ad s20 box:Invalid_Key_Name ad ad s20");
}

TEST_F(SendKeysTest, NothingIsTypedWhenTheWindowCannotBeActivated) {
  EXPECT_FALSE(ActivateAndSendKeys(0, "abc", true, 0));
  EXPECT_EQ(Keys(), "");
}

TEST_F(SendKeysTest, ABadRepeatCountEndsTheRunWithTheUnhandledErrorReport) {
  RunResult r = RunScript("send \"{enter x}\"");
  EXPECT_EQ(r.Code, 1u);
  EXPECT_EQ(r.Output.substr(r.Output.find('\n')), "\n'X' is not a valid integer value.\r\n");
}

}  // namespace
