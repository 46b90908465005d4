#include "platform/us_layout.h"

#include <gtest/gtest.h>

namespace {

TEST(UsLayout, KnowsEveryPrintableCharacterAndTheCommonControls) {
  const struct {
    unsigned char ch;
    std::uint16_t key;
  } rows[] = {{'a', 0x41}, {'z', 0x5a}, {'A', 0x141}, {'0', 0x30}, {')', 0x130}, {'!', 0x131},
              {' ', 0x20}, {'{', 0x1db}, {'}', 0x1dd}, {'[', 0xdb}, {'~', 0x1c0}, {'`', 0xc0},
              {'"', 0x1de}, {'\'', 0xde}, {'?', 0x1bf}, {'_', 0x1bd}, {'|', 0x1dc},
              {'\t', 0x09}, {'\r', 0x0d}, {'\n', 0x20d}, {'\b', 0x08}, {0x1b, 0x1b},
              {0x01, 0x241}, {0x80, 0xffff}, {0xff, 0xffff}, {0x00, 0xffff}};
  for (const auto& row : rows) EXPECT_EQ(platform::UsVkKeyScan(row.ch), row.key) << int(row.ch);
  for (int ch = 0x20; ch <= 0x7e; ++ch) {
    std::uint16_t key = platform::UsVkKeyScan(static_cast<unsigned char>(ch));
    ASSERT_NE(key, 0xffff) << ch;
    // Every key a character names has a scan code, and maps back to it.
    std::uint32_t scan = platform::UsMapVirtualKey(key & 0xff, 0);
    EXPECT_NE(scan, 0u) << ch;
    EXPECT_NE(platform::UsMapVirtualKey(scan, 1), 0u) << ch;
  }
}

TEST(UsLayout, GivesSetOneScanCodes) {
  const struct {
    std::uint32_t vk, scan;
  } rows[] = {{0x10, 0x2a}, {0x11, 0x1d}, {0x12, 0x38}, {0x0d, 0x1c}, {0x41, 0x1e}, {0x25, 0x4b},
              {0x2e, 0x53}, {0x70, 0x3b}, {0x7b, 0x58}, {0x1b, 0x01}, {0x20, 0x39}, {0xff, 0}};
  for (const auto& row : rows) EXPECT_EQ(platform::UsMapVirtualKey(row.vk, 0), row.scan) << row.vk;
  EXPECT_EQ(platform::UsMapVirtualKey(0x41, 2), 'A');
  EXPECT_EQ(platform::UsMapVirtualKey(0xbf, 2), '/');
}

}  // namespace
