#include "platform/posix/command_line.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

namespace posix {
namespace {

struct SplitRow {
  std::string command_line;
  std::vector<std::string> words;
};

const SplitRow kSplitRows[] = {
    {"", {}},
    {"   ", {}},
    {"bc -q", {"bc", "-q"}},
    {"  cat\t  -n  ", {"cat", "-n"}},
    {"\"my prog\" arg", {"my prog", "arg"}},
    {"a\"b c\"d", {"ab cd"}},
    {"echo \"\"", {"echo", ""}},
    {"echo \"unclosed text", {"echo", "unclosed text"}},
    {"\"a\"\"b\"", {"a\"b"}},
    {"a\\b", {"a\\b"}},
    {"a\\\\b", {"a\\\\b"}},
    {"say \\\"hi\\\"", {"say", "\"hi\""}},
    {"\"c:\\dir\\\\\" x", {"c:\\dir\\", "x"}},
    {"sh -c \"echo 'one two'\"", {"sh", "-c", "echo 'one two'"}},
};

TEST(CommandLineWords, SplitAsAWindowsProgramWould) {
  for (const SplitRow& row : kSplitRows)
    EXPECT_EQ(SplitWords(row.command_line), row.words) << row.command_line;
}

class ProgramLookup : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/klavlookupXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    Make("tool", 0755);
    Make("notes", 0644);
    ASSERT_EQ(mkdir((folder_ + "/sub").c_str(), 0755), 0);
  }
  void TearDown() override {
    unlink((folder_ + "/tool").c_str());
    unlink((folder_ + "/notes").c_str());
    rmdir((folder_ + "/sub").c_str());
    rmdir(folder_.c_str());
  }
  void Make(const std::string& name, mode_t mode) {
    std::ofstream(folder_ + "/" + name) << "#!/bin/sh\n";
    chmod((folder_ + "/" + name).c_str(), mode);
  }
  std::string folder_;
};

TEST_F(ProgramLookup, FindsProgramsOrSaysWhyNot) {
  std::string search = "/nonexistent:" + folder_;
  struct Row {
    std::string word;
    std::string path;
    std::uint32_t error;
  } rows[] = {
      {"tool", folder_ + "/tool", 0},
      {"missing", "", 2},
      {"notes", "", 5},
      {"sub", "", 5},
      {"", "", 2},
      {folder_ + "/tool", folder_ + "/tool", 0},
      {folder_ + "/missing", "", 2},
      {folder_ + "/nofolder/tool", "", 3},
      {folder_ + "/notes/tool", "", 3},
      {folder_ + "/notes", "", 5},
      {folder_ + "/sub", "", 5},
  };
  for (const Row& row : rows) {
    ProgramFile found = FindProgram(row.word, search.c_str());
    EXPECT_EQ(found.error, row.error) << row.word;
    EXPECT_EQ(found.path, row.path) << row.word;
  }
}

}  // namespace
}  // namespace posix
