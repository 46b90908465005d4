#include "platform/us_layout.h"

#include <gtest/gtest.h>

namespace {

TEST(UsLayout, KnowsEveryPrintableCharacterAndTheCommonControls) {
  // The console cases type the printable characters; these are the controls and the rest.
  const struct { unsigned char ch; std::uint16_t key; } rows[] = {
      {'\t', 0x09}, {'\n', 0x20d}, {0x01, 0x241}, {0x80, 0xffff}, {0x00, 0xffff}};
  for (const auto& row : rows) EXPECT_EQ(platform::UsVkKeyScan(row.ch), row.key) << int(row.ch);
  for (int ch = 0x20; ch <= 0x7e; ++ch) {
    std::uint16_t key = platform::UsVkKeyScan(static_cast<unsigned char>(ch));
    ASSERT_NE(key, 0xffff) << ch;
    EXPECT_NE(platform::UsMapVirtualKey(key & 0xff, 0), 0u) << ch;  // and its key a scan code
  }
  EXPECT_EQ(platform::UsMapVirtualKey(0x25, 0), 0x4bu);  // set one scan codes
}

}  // namespace
