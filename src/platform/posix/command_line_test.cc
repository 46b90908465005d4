#include "platform/posix/command_line.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace posix {
namespace {

TEST(CommandLineWords, SplitAsAWindowsProgramWould) {
  const struct { std::string command_line; std::vector<std::string> words; } kRows[] = {
      {"   ", {}}, {"  cat\t  -n  ", {"cat", "-n"}}, {"\"my prog\" arg", {"my prog", "arg"}},
      {"a\"b c\"d", {"ab cd"}}, {"echo \"\"", {"echo", ""}},
      {"echo \"unclosed text", {"echo", "unclosed text"}},
      {"\"a\"\"b\"", {"a\"b"}},
      {"a\\\\b", {"a\\\\b"}},
      {"say \\\"hi\\\"", {"say", "\"hi\""}},
      {"\"c:\\dir\\\\\" x", {"c:\\dir\\", "x"}},
      {"sh -c \"echo 'one two'\"", {"sh", "-c", "echo 'one two'"}},
  };
  for (const auto& row : kRows)
    EXPECT_EQ(SplitWords(row.command_line), row.words) << row.command_line;
}

TEST(ProgramLookup, FindsProgramsOrSaysWhyNot) {
  char pattern[] = "/tmp/klavlookupXXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string folder = pattern;
  std::filesystem::create_directory(folder + "/sub");
  for (const char* name : {"/tool", "/notes"}) std::ofstream(folder + name) << "#!/bin/sh\n";
  std::filesystem::permissions(folder + "/tool", std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
  const std::string search = "/nonexistent:" + folder;
  const struct { std::string word, path; std::uint32_t error; } kRows[] = {
      {"tool", folder + "/tool", 0}, {"missing", "", 2}, {"", "", 2},
      {"notes", "", 5}, {"sub", "", 5},  // not executable
      {folder + "/tool", folder + "/tool", 0},
      {folder + "/missing", "", 2},
      {folder + "/nofolder/tool", "", 3},
      {folder + "/notes/tool", "", 3},
      {folder + "/notes", "", 5},
  };
  for (const auto& row : kRows) {
    ProgramFile found = FindProgram(row.word, search.c_str());
    EXPECT_EQ(found.error, row.error) << row.word;
    EXPECT_EQ(found.path, row.path) << row.word;
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace posix
