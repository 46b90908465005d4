#include "runner/script.h"

#include <gtest/gtest.h>

#include "platform/record/record_test_support.h"
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
  const struct {
    std::string bytes;
    V lines;
  } rows[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\r\nb", {"a", "b"}},
      {"a\r\n\r\n", {"a", ""}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"a\nb\nc", {"a", "b", "c"}},
      {"a\nb\n", {"a", "b"}},
      {"a\n\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},  // LF and CR are two line ends
      {"\xef\xbb\xbf" "Delay 1\nb", {"delay 1", "b"}},  // the UTF-8 mark is skipped
      {"a\r\n\xef\xbb\xbf", {"a", "\xef\xbb\xbf"}},  // only at the start
      {"\x1a" "a\r\n", {}},
      {"a\r\nb\x1a" "c\r\nd", {"a", "b"}},
      {"a\r\n\x1a", {"a"}},
      {std::string(4095, 'y') + "\r\nz", {std::string(4095, 'y'), "z"}},  // CR LF split between blocks
      {"  Q" + std::string(99998, 'x') + "Z  \r\nnext", {"q" + std::string(99998, 'x') + "z", "next"}},
      // Lines are lower-cased in ASCII only and trimmed of control bytes and blanks.
      {" \t\x01 Send \"A B\" \t\x1f", {"send \"a b\""}},  {"a\tb", {"a\tb"}},
      {"\xc4\xd6 X", {"\xc4\xd6 x"}},     {"@[`{", {"@[`{"}},  // neighbours of the letters stay
      {std::string("\0a\0", 3), {"a"}},  {std::string("a\0b", 3), {std::string("a\0b", 3)}},
      {" \t ", {""}},
  };
  for (const auto& row : rows) EXPECT_EQ(Lines(row.bytes), row.lines) << row.bytes;
}

TEST(ReadScriptLine, KeepsTheLineAsWrittenAndRefusesEndlessLines) {
  Open("  Start \"Py Ab\"\t\r\nx");
  EXPECT_EQ(ReadScriptLine(), "start \"py ab\"");
  EXPECT_EQ(::Run.LineAsWritten, "  Start \"Py Ab\"\t");
  EXPECT_FALSE(ScriptIsUtf16());

  Open(std::string((64 << 20) + 1, 'x') + "\r\nnext");
  EXPECT_EQ(ReadScriptLine(), "");
  EXPECT_TRUE(::Run.LineTooLong);
  Open(std::string(64 << 20, 'x') + "\r\nnext");
  EXPECT_EQ(ReadScriptLine().size(), std::size_t{64} << 20);
  EXPECT_FALSE(::Run.LineTooLong);

  for (const char* mark : {"\xff\xfe", "\xfe\xff"}) {
    Open(std::string(mark) + "d\0e\0");
    EXPECT_TRUE(ScriptIsUtf16());
  }
}

TEST(ReadScriptLine, ReadsPastTheEndAsEmptyLinesAndCountsThem) {
  Open("a\x1a" "b");
  EXPECT_EQ(ReadScriptLine(), "a");
  EXPECT_TRUE(ScriptAtEnd());
  EXPECT_EQ(ReadScriptLine() + ReadScriptLine(), "");
  EXPECT_TRUE(ScriptAtEnd());
  EXPECT_EQ(::Run.LineNumber, 3);
}

TEST(ReadScriptLine, ReadFailuresRaiseExceptABrokenPipe) {
  Open("a\r\n", platform::ERROR_BROKEN_PIPE);
  EXPECT_EQ(ReadScriptLine(), "a");
  EXPECT_TRUE(ScriptAtEnd());

  Open("a\r\n", 23);
  EXPECT_EQ(ReadScriptLine(), "a");
  EXPECT_EQ(Raised([] { ScriptAtEnd(); }), "EInOutError: I/O error 23");
}

}  // namespace
