#include "platform/us_layout.h"

#include <gtest/gtest.h>

namespace {

TEST(UsLayout, KnowsEveryPrintableCharacterAndTheCommonControls) {
  const struct { unsigned char ch; std::uint16_t key; } rows[] = {
      {'A', 0x141}, {')', 0x130}, {'{', 0x1db}, {'~', 0x1c0}, {'`', 0xc0}, {'"', 0x1de}, {'\t', 0x09},
      {'\n', 0x20d}, {0x01, 0x241}, {0x80, 0xffff}, {0x00, 0xffff}};
  for (const auto& row : rows) EXPECT_EQ(platform::UsVkKeyScan(row.ch), row.key) << int(row.ch);
  for (int ch = 0x20; ch <= 0x7e; ++ch) {
    std::uint16_t key = platform::UsVkKeyScan(static_cast<unsigned char>(ch));
    ASSERT_NE(key, 0xffff) << ch;
    // Every key a character names has a scan code, and maps back to it.
    std::uint32_t scan = platform::UsMapVirtualKey(key & 0xff, 0);
    EXPECT_NE(scan, 0u) << ch;
    EXPECT_NE(platform::UsMapVirtualKey(scan, 1), 0u) << ch;
  }
  EXPECT_EQ(platform::UsMapVirtualKey(0x25, 0), 0x4bu);  // set one scan codes
  EXPECT_EQ(platform::UsMapVirtualKey(0xbf, 2), '/');
}

}  // namespace
