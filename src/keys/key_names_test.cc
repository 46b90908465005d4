#include "keys/key_names.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/record/record_test_support.h"

namespace {

TEST(LookupKeyName, FindsEachOfTheFortyOneNamesQuietly) {
  for (int i = 0; i < 41; ++i) {
    const KeyName& entry = KeyNameTable[i];
    // The table stays in byte order, which a binary search needs.
    EXPECT_TRUE(i == 0 || std::strcmp(KeyNameTable[i - 1].Name, entry.Name) < 0) << i;
    ResetAll();
    EXPECT_EQ(LookupKeyName(entry.Name), entry.Code) << entry.Name;
    EXPECT_TRUE(record::TheWorld().Calls.empty());
  }
  const struct {
    const char* name;
    std::uint16_t code;
  } rows[] = {{"BACKSPACE", 0x08}, {"BKSP", 0x08}, {"BS", 0x08},     {"F1", 0x70},
              {"F10", 0x79},       {"F16", 0x7f},  {"DEL", 0x2e},    {"DELETE", 0x2e},
              {"ESC", 0x1b},       {"ESCAPE", 0x1b}, {"PRTSC", 0x2a}, {"BREAK", 0x03},
              {"NUMLOCK", 0x90},   {"SCROLLLOCK", 0x91}, {"HELP", 0x2f}, {"UP", 0x26}};
  for (const auto& row : rows) EXPECT_EQ(LookupKeyName(row.name), row.code) << row.name;
}

TEST(LookupKeyName, FindsNoKeyForEveryOtherNameQuietly) {
  const std::vector<std::string> names = {"F17", "DELE",  "ESCA",   "enter", "SPACE", "PAUSE", "INSERT",
                                          "PGDOWN", "", "F", "SCROLLLOCKX", std::string(1000, 'Z'), "\xff"};
  for (const std::string& name : names) {
    ResetAll();
    EXPECT_EQ(LookupKeyName(name), kNoKeyName) << name;
    EXPECT_TRUE(record::TheWorld().Calls.empty());
  }
}

}  // namespace
