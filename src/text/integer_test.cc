#include "text/integer.h"

#include <gtest/gtest.h>

namespace {

TEST(ParseInteger, AcceptsDecimalAndHexadecimalFormsOnly) {
  const struct { const char* text; std::int32_t value; } rows[] = {
      {"  500", 500}, {"+7", 7}, {"-2147483648", -2147483647 - 1}, {"2147483647", 2147483647},
      {"$1F4", 500},  {"x10", 16}, {"0X10", 16}, {"$ffffffff", -1}, {"$80000000", -2147483647 - 1},
      {"$000000001", 1},  // leading zeros do not count as digits
  };
  for (const auto& row : rows) {
    std::int32_t v = 12345;
    EXPECT_TRUE(ParseInteger(row.text, &v)) << row.text;
    EXPECT_EQ(v, row.value) << row.text;
  }
  for (const char* text : {"", "\"500\"", "500 ", "-$10", "+0x10", "2147483648", "-2147483649", "$", "0x",
                           "-", "$123456789", "\t5", "0x1g", "99999999999999999999", "$-1"}) {
    std::int32_t v;
    EXPECT_FALSE(ParseInteger(text, &v)) << '"' << text << '"';
  }
}

}  // namespace
