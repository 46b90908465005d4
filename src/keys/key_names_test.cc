#include "keys/key_names.h"

#include <gtest/gtest.h>

#include "platform/record/record_test_support.h"

namespace {

TEST(LookupKeyName, FindsEachNameQuietlyAndNoKeyForAnyOther) {
  ResetAll();
  for (const KeyName& entry : KeyNameTable) EXPECT_EQ(LookupKeyName(entry.Name), entry.Code) << entry.Name;
  const struct {
    const char* name;
    std::uint16_t code;
  } rows[] = {{"BACKSPACE", 0x08}, {"BKSP", 0x08}, {"BS", 0x08},     {"F1", 0x70},
              {"F10", 0x79},       {"F16", 0x7f},  {"DEL", 0x2e},    {"DELETE", 0x2e},
              {"ESC", 0x1b},       {"ESCAPE", 0x1b}, {"PRTSC", 0x2a}, {"BREAK", 0x03},
              {"NUMLOCK", 0x90},   {"SCROLLLOCK", 0x91}, {"HELP", 0x2f}, {"UP", 0x26}};
  for (const auto& row : rows) EXPECT_EQ(LookupKeyName(row.name), row.code) << row.name;
  const std::vector<std::string> names = {"F17", "DELE",  "ESCA",   "enter", "SPACE", "PAUSE", "INSERT",
                                          "PGDOWN", "", "F", "SCROLLLOCKX", std::string(1000, 'Z'), "\xff"};
  for (const std::string& name : names) EXPECT_EQ(LookupKeyName(name), kNoKeyName) << name;
  EXPECT_TRUE(record::TheWorld().Calls.empty());
}

}  // namespace
