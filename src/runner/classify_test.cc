#include "runner/classify.h"

#include <gtest/gtest.h>

namespace {

struct Row {
  const char* line;
  CommandKind kind;
  const char* argument;  // nullptr: not looked at
};

TEST(ClassifyLine, GivesTheKindAndArgumentOfEveryLineForm) {
  const Row rows[] = {
      {"delay 500", ckDelay, "500"},
      {"delay  500", ckDelay, " 500"},
      {"app \"untitled - notepad\"", ckApp, "\"untitled - notepad\""},
      {"start \"edit readme.txt\"", ckStart, "\"edit readme.txt\""},
      {"title \"nightly build\"", ckTitle, "\"nightly build\""},
      {"send \"dir{enter}\"", ckSend, "\"dir{enter}\""},
      {"rem start the editor", ckRem, "start the editor"},
      {"; note", ckRem, "note"},
      {";note", ckRem, ";note"},
      {";", ckRem, ";"},
      {"// note", ckRem, "note"},
      {"//note", ckRem, "//note"},
      {"if \"press any key\"", ckIfExists, "\"press any key\""},
      {"if exists \"ok\"", ckIfExists, "exists \"ok\""},
      {"#define line_delay 250", ckLineDelay, "250"},
      {"#define char_delay 20", ckCharDelay, "20"},
      {"while not exists \"ready\"", ckWhileNotExists, "\"ready\""},
      {"while exists \"copying\"", ckWhileExists, "\"copying\""},
      {"while exists \"a b\"  c", ckWhileExists, "\"a b\"  c"},
      {"rem", ckInvalid, nullptr},
      {"delay", ckInvalid, nullptr},
      {"while exists", ckInvalid, nullptr},
      {"while not exists", ckInvalid, nullptr},
      {"while  exists \"x\"", ckInvalid, nullptr},
      {"while not  exists \"x\"", ckInvalid, nullptr},
      {"while is \"x\"", ckInvalid, nullptr},
      {"while not is \"x\"", ckInvalid, nullptr},
      {"#define line_delay", ckInvalid, nullptr},
      {"#define tab_size 4", ckInvalid, nullptr},
      {"#define", ckInvalid, nullptr},
      {"delay\t500", ckInvalid, nullptr},
      {"delays 500", ckInvalid, nullptr},
      {"/", ckInvalid, nullptr},
      {"/ note", ckInvalid, nullptr},
      {"x", ckInvalid, nullptr},
      {"echo hello", ckInvalid, nullptr},
      {"DELAY 500", ckInvalid, nullptr},  // lines arrive lower-cased
  };
  for (const Row& row : rows) {
    std::string line = row.line;
    EXPECT_EQ(ClassifyLine(line), row.kind) << row.line;
    if (row.argument) {
      EXPECT_EQ(line, row.argument) << row.line;
    }
  }
}

TEST(ClassifyLine, EmptyLineIsAComment) {
  std::string line;
  EXPECT_EQ(ClassifyLine(line), ckRem);
  EXPECT_EQ(line, "");
}

TEST(ClassifyLine, KeepsBytesOfTheArgumentUntouched) {
  std::string line = std::string("send \"\xe9\t\x01 x\"");
  EXPECT_EQ(ClassifyLine(line), ckSend);
  EXPECT_EQ(line, "\"\xe9\t\x01 x\"");
}

}  // namespace
