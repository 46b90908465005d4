#include "platform/posix/processes/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace posix {
namespace {

// Program lookup is klavcheck's too: its cases cover every answer.
TEST(CommandLineWords, SplitAsAWindowsProgramWould) {
  const struct { std::string command_line; std::vector<std::string> words; } kRows[] = {
      {"   ", {}}, {"  cat\t  -n  ", {"cat", "-n"}}, {"a\"b c\"d", {"ab cd"}}, {"echo \"\"", {"echo", ""}},
      {"echo \"unclosed text", {"echo", "unclosed text"}}, {"\"a\"\"b\"", {"a\"b"}},
      {"a\\\\b", {"a\\\\b"}}, {"say \\\"hi\\\"", {"say", "\"hi\""}},
      {"\"c:\\dir\\\\\" x", {"c:\\dir\\", "x"}},
  };
  for (const auto& row : kRows)
    EXPECT_EQ(SplitWords(row.command_line), row.words) << row.command_line;
}

TEST(CommandLineWords, JoinedAsSplitAgain) {
  const std::vector<std::vector<std::string>> kRows = {
      {"cat", "-n"}, {"echo", ""}, {"sh", "-c", "echo 'a b' | tr a A"}, {"say", "\"hi\""},
      {"c:\\dir\\", "x y\\"}, {"a\\\"b", "tab\there"}, {"PS1=$ ", "bash"},
  };
  for (const auto& words : kRows)
    EXPECT_EQ(SplitWords(JoinWords(words)), words) << JoinWords(words);
  EXPECT_EQ(JoinWords({"sh", "-c", "echo hi"}), "sh -c \"echo hi\"");
}

}  // namespace
}  // namespace posix
