#include "keys/key_names.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/record/record_test_support.h"

namespace {

TEST(KeyNameTable, HoldsFortyOneNamesInByteOrder) {
  for (int i = 1; i < 41; ++i)
    EXPECT_LT(std::strcmp(KeyNameTable[i - 1].Name, KeyNameTable[i].Name), 0) << i;
}

TEST(LookupKeyName, FindsEveryNameWithinSixProbes) {
  for (const KeyName& entry : KeyNameTable) {
    ResetAll();
    KeyNameProbes probes;
    EXPECT_EQ(LookupKeyName(entry.Name, &probes), entry.Code) << entry.Name;
    EXPECT_LE(probes.Count, 6) << entry.Name;
    EXPECT_EQ(probes.Entry[0], 21);
    EXPECT_TRUE(record::TheWorld().Calls.empty());
  }
}

TEST(LookupKeyName, GivesTheDocumentedCodes) {
  const struct {
    const char* name;
    std::uint16_t code;
  } rows[] = {{"BACKSPACE", 0x08}, {"BKSP", 0x08}, {"BS", 0x08},   {"UP", 0x26},
              {"F1", 0x70},        {"F10", 0x79},  {"F16", 0x7f},  {"DEL", 0x2e},
              {"DELETE", 0x2e},    {"ESC", 0x1b},  {"ESCAPE", 0x1b}, {"PRTSC", 0x2a},
              {"BREAK", 0x03},     {"NUMLOCK", 0x90}, {"SCROLLLOCK", 0x91}, {"HELP", 0x2f}};
  for (const auto& row : rows) {
    ResetAll();
    EXPECT_EQ(LookupKeyName(row.name), row.code) << row.name;
  }
}

TEST(LookupKeyName, ShowsInvalidKeyNameForEveryOtherName) {
  for (const std::string& name : std::vector<std::string>
       {"F17", "DELE", "ESCA", "enter", "SPACE", "PAUSE", "INSERT", "PGDOWN", "", "F",
        "SCROLLLOCKX", std::string(1000, 'Z'), std::string("\xff")}) {
    ResetAll();
    KeyNameProbes probes;
    EXPECT_EQ(LookupKeyName(name, &probes), 0xffff) << name;
    EXPECT_LE(probes.Count, 6);
    EXPECT_EQ(CallsNamed({"MessageBoxA"}),
              std::vector<std::string>{"MessageBoxA(0x0, \"Invalid Key Name\", \"SendKeys\", 0x0) = 0x1"});
  }
}

TEST(LookupKeyName, ProbesFollowTheBinarySearch) {
  const struct {
    const char* name;
    std::vector<int> probes;
  } rows[] = {
      {"F16", {21}},
      {"BACKSPACE", {21, 10, 5, 2, 1}},
      {"UP", {21, 31, 36, 39, 40, 41}},
      {"F1", {21, 10, 15, 12, 13, 14}},
  };
  for (const auto& row : rows) {
    ResetAll();
    KeyNameProbes probes;
    LookupKeyName(row.name, &probes);
    EXPECT_EQ(std::vector<int>(probes.Entry, probes.Entry + probes.Count), row.probes) << row.name;
  }
}

}  // namespace
