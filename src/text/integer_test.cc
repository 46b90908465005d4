#include "text/integer.h"

#include <gtest/gtest.h>

namespace {

TEST(ParseInteger, AcceptsDecimalAndHexadecimalForms) {
  const struct {
    const char* text;
    std::int32_t value;
  } rows[] = {
      {"0", 0},       {"500", 500},   {"  500", 500}, {"+7", 7},         {"-7", -7},
      {"007", 7},     {"2147483647", 2147483647},     {"-2147483648", -2147483647 - 1},
      {"$1f4", 500},  {"$1F4", 500},  {"x10", 16},    {"X10", 16},       {"0x10", 16},
      {"0X10", 16},   {"$ffffffff", -1},              {"$80000000", -2147483647 - 1},
      {"$000000001", 1},  // leading zeros do not count as digits
  };
  for (const auto& row : rows) {
    std::int32_t v = 12345;
    EXPECT_TRUE(ParseInteger(row.text, &v)) << row.text;
    EXPECT_EQ(v, row.value) << row.text;
  }
}

TEST(ParseInteger, RefusesEverythingElse) {
  for (const char* text : {"", " ", "\"500\"", "1.5", "500 ms", "500 ", "-$10", "+0x10", "2147483648",
                           "-2147483649", "$", "0x", "x", "-", "+", "$123456789", "\t5", "5\t", "1e3", "0x1g",
                           "99999999999999999999", "- 5", "$-1"}) {
    std::int32_t v;
    EXPECT_FALSE(ParseInteger(text, &v)) << '"' << text << '"';
  }
}

}  // namespace
