#include "runner/script.h"

#include <gtest/gtest.h>

#include "platform/record/record_test_support.h"
#include "runner/errors.h"
#include "runner/main.h"

namespace {

using V = std::vector<std::string>;

void Open(const std::string& bytes, platform::DWORD read_error = 0) {
  ResetAll();
  record::TheWorld().Files["s"] = {bytes, read_error};
  OpenScript("s");
}

// Reads every line the run loop would see: until the script is at its end.
V Lines(const std::string& bytes) {
  Open(bytes);
  V lines;
  while (!ScriptAtEnd()) lines.push_back(ReadScriptLine());
  return lines;
}

TEST(ReadScriptLine, FollowsTheLineEndRulesAndNormalisesEachLine) {
  const struct { std::string bytes; V lines; } rows[] = {
      {"", {}},                       {"a\r\nb\r\n", {"a", "b"}},         {"a\r\n\r\n", {"a", ""}},
      {"a\rb\r", {"a", "b"}},         {"a\r\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},     // LF and CR are two line ends
      {"\xef\xbb\xbf" "Delay 1\nb", {"delay 1", "b"}},  // the UTF-8 mark is skipped
      {"a\r\n\xef\xbb\xbf", {"a", "\xef\xbb\xbf"}},     // only at the start
      {"a\r\nb\x1a" "c\r\nd", {"a", "b"}},
      {std::string(4095, 'y') + "\r\nz", {std::string(4095, 'y'), "z"}},  // CR LF split between blocks
      {"  Q" + std::string(99998, 'x') + "Z  \r\nnext", {"q" + std::string(99998, 'x') + "z", "next"}},
      // Lines are lower-cased in ASCII only and trimmed of control bytes and blanks.
      {" \t\x01 Send \"A B\" \t\x1f", {"send \"a b\""}},
      {"\xc4\xd6 X@[`{", {"\xc4\xd6 x@[`{"}},  // neighbours of the letters stay
      {std::string("\0a\0b\0", 5), {std::string("a\0b", 3)}},
  };
  for (const auto& row : rows) EXPECT_EQ(Lines(row.bytes), row.lines) << row.bytes;
  // Long lines are scanned eight bytes at a time: a line end at each place
  // of those words, after a control byte, a byte from 0x80 on, or neither.
  for (std::size_t at = 3; at < 20; ++at)
    for (const char inside : {'x', '\t', '\xe9', '\x01'})
      for (const char end : {'\r', '\n', '\x1a'}) {
        std::string text(at, 'x');
        text[at / 2] = inside;
        const V lines = end == '\x1a' ? V{text} : V{text, "next"};
        EXPECT_EQ(Lines(text + end + "next"), lines) << at << " " << int{inside} << " " << int{end};
      }
}

TEST(ReadScriptLine, ReadsPastTheEndAsEmptyLinesAndCountsThem) {
  Open("a\x1a" "b");
  EXPECT_EQ(ReadScriptLine(), "a");
  EXPECT_TRUE(ScriptAtEnd());
  EXPECT_EQ(ReadScriptLine() + ReadScriptLine(), "");
  EXPECT_TRUE(ScriptAtEnd());
  EXPECT_EQ(::Run.LineNumber, 3);
  Open("\xfe\xff");  // big-endian UTF-16 too
  EXPECT_TRUE(ScriptIsUtf16());
}

// The message of the error is the open failures' (the run cases).
TEST(ReadScriptLine, ReadFailuresRaiseExceptABrokenPipe) {
  Open("a\r\n", platform::ERROR_BROKEN_PIPE);
  EXPECT_EQ(ReadScriptLine(), "a");
  EXPECT_TRUE(ScriptAtEnd());
  Open("a\r\n", 23);
  EXPECT_EQ(ReadScriptLine(), "a");
  EXPECT_THROW(ScriptAtEnd(), RaisedError);
}

}  // namespace
