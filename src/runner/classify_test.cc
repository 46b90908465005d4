#include "runner/classify.h"

#include <gtest/gtest.h>

namespace {

// Lines arrive lower-cased and trimmed; klavcheck's cases cover the lines that are no command.
TEST(ClassifyLine, GivesTheKindAndArgumentOfEveryLineForm) {
  const struct { std::string line; CommandKind kind; std::string argument; } rows[] = {
      {"", ckRem, ""},                         {"delay  500", ckDelay, " 500"},
      {"send \"\xe9\t\x01 x\"", ckSend, "\"\xe9\t\x01 x\""},  // bytes kept untouched
      {"; note", ckRem, "note"},               {";note", ckRem, ";note"},
      {"if exists \"ok\"", ckIfExists, "exists \"ok\""},
      {"#define char_delay 20", ckCharDelay, "20"},
      {"while not exists \"ready\"", ckWhileNotExists, "\"ready\""},
      {"while exists \"a b\"  c", ckWhileExists, "\"a b\"  c"},
      {"sendenv \"db_password\"", ckSendEnv, "\"db_password\""},
      {"snapshot \"out/screen.txt\"", ckSnapshot, "\"out/screen.txt\""},
  };
  for (const auto& row : rows) {
    std::string line = row.line;
    EXPECT_EQ(ClassifyLine(line), row.kind) << row.line;
    EXPECT_EQ(line, row.argument) << row.line;
  }
  for (const char* text : {"while not is \"x\"", "delays 500", "/ note", "DELAY 500", "sendenv", "snapshots \"x\""}) {
    std::string line = text;
    EXPECT_EQ(ClassifyLine(line), ckInvalid) << text;
  }
}

}  // namespace
