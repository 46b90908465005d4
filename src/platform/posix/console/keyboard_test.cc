#include "platform/posix/console/keyboard.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"

namespace posix {
namespace {

using namespace platform;

struct KeyRow {
  const char* held;  // s Shift, c Ctrl, a Alt, L CapsLock, N no interrupt character
  std::uint8_t vk;
  std::string bytes;
};

// The console cases type most keys through a real terminal; these are the rest.
const KeyRow kKeyRows[] = {
    {"s", 0xba, ":"},          {"c", 0x20, std::string(1, '\0')}, {"sL", 0x41, "a"},
    {"ca", 0x41, "\x1b\x01"},  {"a", VK_RETURN, "\x1b\r"},        {"c", VK_RETURN, "\n"},
    {"c", VK_DOWN, "\x1b[1;5B"}, {"", VK_PRIOR, "\x1b[5~"}, {"", VK_INSERT, "\x1b[2~"},
    {"", VK_F1 + 11, "\x1b[24~"}, {"", VK_CANCEL, "\x03"}, {"N", VK_CANCEL, ""},  // Break
};

TEST(TypedKeys, EachKeyTypesWhatATerminalSends) {
  for (const KeyRow& row : kKeyRows) {
    auto held = [&](char c) { return std::string(row.held).find(c) != std::string::npos; };
    std::string to_programs;
    ScreenModel screen(&to_programs);
    TypeKey(screen, {row.vk, held('s'), held('c'), held('a'), held('L'), held('N') ? -1 : 3});
    EXPECT_EQ(to_programs, row.bytes) << row.held << " " << int{row.vk};
  }
}

TEST(KeyBoundary, AReplyGoesInBetweenKeysNeverInsideOne) {
  const struct { std::string queue; std::size_t at, boundary; } rows[] = {
      {"abc", 1, 1},          {"abc", 9, 3},          {"a\x1b[A", 2, 4},
      {"a\x1b[1;5Ab", 4, 7},  {"\x1b[Ax", 3, 3},      {"\x1b[15~", 2, 5},
      {"\x1bOAx", 2, 3},      {"\x1bxy", 1, 2},       {"\x1b\x1b", 1, 2},
      {"\x1b[", 1, 2},        // a key cut short by the queue's end
      {"\xe4\xb8\xad", 1, 3},
      {"\x1b" + std::string(20, '1') + "x", 18, 18},  // too far back to be a key
  };
  for (const auto& row : rows)
    EXPECT_EQ(KeyBoundary(row.queue, row.at), row.boundary) << &row - rows;
}

}  // namespace
}  // namespace posix
