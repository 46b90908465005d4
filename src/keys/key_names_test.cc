#include "keys/key_names.h"

#include <gtest/gtest.h>

#include "platform/record/record_test_support.h"

namespace {

TEST(LookupKeyName, FindsEachNameQuietlyAndNoKeyForAnyOther) {
  ResetAll();
  for (const KeyName& entry : KeyNameTable) EXPECT_EQ(LookupKeyName(entry.Name), entry.Code) << entry.Name;
  const std::vector<std::string> others = {"F17", "DELE", "enter", "", "SCROLLLOCKX", std::string(1000, 'Z')};
  for (const std::string& name : others)
    EXPECT_EQ(LookupKeyName(name), kNoKeyName) << name;
  EXPECT_TRUE(record::TheWorld().Calls.empty());
}

}  // namespace
