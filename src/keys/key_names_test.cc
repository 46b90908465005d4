#include "keys/key_names.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/record/record_test_support.h"

namespace {

TEST(LookupKeyName, FindsEachOfTheFortyOneNamesInByteOrderWithinSixProbesQuietly) {
  for (int i = 0; i < 41; ++i) {
    const KeyName& entry = KeyNameTable[i];
    EXPECT_TRUE(i == 0 || std::strcmp(KeyNameTable[i - 1].Name, entry.Name) < 0) << i;
    ResetAll();
    KeyNameProbes probes;
    EXPECT_EQ(LookupKeyName(entry.Name, &probes), entry.Code) << entry.Name;
    EXPECT_LE(probes.Count, 6) << entry.Name;
    EXPECT_TRUE(record::TheWorld().Calls.empty());
  }
}

TEST(LookupKeyName, GivesTheDocumentedCodesAlongTheBinarySearch) {
  const struct {
    const char* name;
    std::uint16_t code;
    std::vector<int> probes;  // empty: not looked at
  } rows[] = {
      {"F16", 0x7f, {21}},        {"BACKSPACE", 0x08, {21, 10, 5, 2, 1}},
      {"UP", 0x26, {21, 31, 36, 39, 40, 41}}, {"F1", 0x70, {21, 10, 15, 12, 13, 14}},
      {"BKSP", 0x08, {}},   {"BS", 0x08, {}},      {"F10", 0x79, {}},    {"DEL", 0x2e, {}},
      {"DELETE", 0x2e, {}}, {"ESC", 0x1b, {}},     {"ESCAPE", 0x1b, {}}, {"PRTSC", 0x2a, {}},
      {"BREAK", 0x03, {}},  {"NUMLOCK", 0x90, {}}, {"SCROLLLOCK", 0x91, {}}, {"HELP", 0x2f, {}},
  };
  for (const auto& row : rows) {
    KeyNameProbes probes;
    EXPECT_EQ(LookupKeyName(row.name, &probes), row.code) << row.name;
    if (!row.probes.empty()) {
      EXPECT_EQ(std::vector<int>(probes.Entry, probes.Entry + probes.Count), row.probes) << row.name;
    }
  }
}

TEST(LookupKeyName, FindsNoKeyForEveryOtherNameQuietly) {
  const std::vector<std::string> names = {"F17", "DELE",  "ESCA",   "enter", "SPACE", "PAUSE", "INSERT",
                                          "PGDOWN", "", "F", "SCROLLLOCKX", std::string(1000, 'Z'), "\xff"};
  for (const std::string& name : names) {
    ResetAll();
    KeyNameProbes probes;
    EXPECT_EQ(LookupKeyName(name, &probes), kNoKeyName) << name;
    EXPECT_LE(probes.Count, 6);
    EXPECT_TRUE(record::TheWorld().Calls.empty());
  }
}

}  // namespace
