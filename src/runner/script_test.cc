#include "runner/script.h"

#include <gtest/gtest.h>

#include "platform/record/record_test_support.h"
#include "runner/globals.h"

namespace {

// Reads every line the run loop would see: until the script is at its end.
std::vector<std::string> Lines(const std::string& bytes) {
  ResetAll();
  record::TheWorld().Files["s"].Content = bytes;
  OpenScript("s");
  std::vector<std::string> lines;
  while (!ScriptAtEnd()) lines.push_back(ReadScriptLine());
  return lines;
}

using V = std::vector<std::string>;

TEST(ReadScriptLine, FollowsTheLineEndRules) {
  EXPECT_EQ(Lines(""), V{});
  EXPECT_EQ(Lines("a"), V{"a"});
  EXPECT_EQ(Lines("a\r\nb\r\n"), (V{"a", "b"}));
  EXPECT_EQ(Lines("a\r\nb"), (V{"a", "b"}));
  EXPECT_EQ(Lines("a\r\n\r\n"), (V{"a", ""}));
  EXPECT_EQ(Lines("a\rb\r"), (V{"a", "b"}));
  EXPECT_EQ(Lines("a\r\r\nb"), (V{"a", "", "b"}));
  EXPECT_EQ(Lines("a\nb\nc"), V{"a\nb\nc"});
  EXPECT_EQ(Lines("a\n\rb"), (V{"a", "b"}));  // the LF is trimmed off
  EXPECT_EQ(Lines("\x1a" "a\r\n"), V{});
  EXPECT_EQ(Lines("a\r\nb\x1a" "c\r\nd"), (V{"a", "b"}));
  EXPECT_EQ(Lines("a\r\n\x1a"), V{"a"});
}

TEST(ReadScriptLine, ReadsPastTheEndAsEmptyLinesAndCountsThem) {
  ResetAll();
  record::TheWorld().Files["s"].Content = "a\x1a" "b";
  OpenScript("s");
  EXPECT_EQ(ReadScriptLine(), "a");
  EXPECT_TRUE(ScriptAtEnd());
  EXPECT_EQ(ReadScriptLine(), "");
  EXPECT_EQ(ReadScriptLine(), "");
  EXPECT_TRUE(ScriptAtEnd());
  EXPECT_EQ(::Run.LineNumber, 3);
}

TEST(ReadScriptLine, ReadsLongLinesWholeAcrossBlocks) {
  std::string line(100000, 'x');
  line[0] = 'Q';
  line[99999] = 'Z';
  V lines = Lines("  " + line + "  \r\nnext");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].size(), 100000u);
  EXPECT_EQ(lines[0].front(), 'q');
  EXPECT_EQ(lines[0].back(), 'z');
  EXPECT_EQ(lines[1], "next");
  // A CR LF split between two blocks is still one line end.
  std::string split(4095, 'y');
  EXPECT_EQ(Lines(split + "\r\nz"), (V{split, "z"}));
}

TEST(ReadScriptLine, ReadFailuresRaiseExceptABrokenPipe) {
  ResetAll();
  record::TheWorld().Files["s"] = {"a\r\n", platform::ERROR_BROKEN_PIPE};
  OpenScript("s");
  EXPECT_EQ(ReadScriptLine(), "a");
  EXPECT_TRUE(ScriptAtEnd());

  ResetAll();
  record::TheWorld().Files["s"] = {"a\r\n", 23};
  OpenScript("s");
  EXPECT_EQ(ReadScriptLine(), "a");
  try {
    ScriptAtEnd();
    FAIL() << "no error raised";
  } catch (const RaisedError& e) {
    EXPECT_EQ(e.ClassName, "EInOutError");
    EXPECT_EQ(e.Message, "I/O error 23");
  }
}

TEST(NormaliseLine, LowersAsciiAndTrimsControlBytes) {
  EXPECT_EQ(NormaliseLine("DELAY 50"), "delay 50");
  EXPECT_EQ(NormaliseLine(" \t\x01 Send \"A B\" \t\x1f"), "send \"a b\"");
  EXPECT_EQ(NormaliseLine("a\tb"), "a\tb");
  EXPECT_EQ(NormaliseLine("\xc4\xd6 X"), "\xc4\xd6 x");
  EXPECT_EQ(NormaliseLine(std::string("\0a\0", 3)), "a");
  EXPECT_EQ(NormaliseLine(std::string("a\0b", 3)), std::string("a\0b", 3));
  EXPECT_EQ(NormaliseLine(" \t "), "");
  EXPECT_EQ(NormaliseLine("@[`{"), "@[`{");  // neighbours of the letters stay
}

}  // namespace
