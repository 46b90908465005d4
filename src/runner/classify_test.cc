#include "runner/classify.h"

#include <gtest/gtest.h>

namespace {

TEST(ClassifyLine, GivesTheKindAndArgumentOfEveryLineForm) {
  const struct {
    std::string line;
    CommandKind kind;
    std::string argument;
  } rows[] = {
      {"", ckRem, ""},                                 {"delay 500", ckDelay, "500"},
      {"delay  500", ckDelay, " 500"},
      {"app \"untitled - notepad\"", ckApp, "\"untitled - notepad\""},
      {"start \"edit readme.txt\"", ckStart, "\"edit readme.txt\""},
      {"title \"nightly build\"", ckTitle, "\"nightly build\""},
      {"send \"dir{enter}\"", ckSend, "\"dir{enter}\""},
      {"send \"\xe9\t\x01 x\"", ckSend, "\"\xe9\t\x01 x\""},  // bytes kept untouched
      {"rem start the editor", ckRem, "start the editor"}, {"; note", ckRem, "note"},
      {";note", ckRem, ";note"},                       {";", ckRem, ";"},
      {"// note", ckRem, "note"},                      {"//note", ckRem, "//note"},
      {"if \"press any key\"", ckIfExists, "\"press any key\""},
      {"if exists \"ok\"", ckIfExists, "exists \"ok\""},
      {"#define line_delay 250", ckLineDelay, "250"},  {"#define char_delay 20", ckCharDelay, "20"},
      {"while not exists \"ready\"", ckWhileNotExists, "\"ready\""},
      {"while exists \"copying\"", ckWhileExists, "\"copying\""},
      {"while exists \"a b\"  c", ckWhileExists, "\"a b\"  c"},
  };
  for (const auto& row : rows) {
    std::string line = row.line;
    EXPECT_EQ(ClassifyLine(line), row.kind) << row.line;
    EXPECT_EQ(line, row.argument) << row.line;
  }
  for (const char* text : {"rem", "delay", "while exists", "while not exists", "while  exists \"x\"",
                           "while not  exists \"x\"", "while is \"x\"", "while not is \"x\"",
                           "#define line_delay", "#define tab_size 4", "#define", "delay\t500", "delays 500",
                           "/", "/ note", "x", "echo hello", "DELAY 500" /* lines arrive lower-cased */}) {
    std::string line = text;
    EXPECT_EQ(ClassifyLine(line), ckInvalid) << text;
  }
}

}  // namespace
