#include "platform/posix/keyboard.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"

namespace posix {
namespace {

using namespace platform;

struct KeyRow {
  const char* held;  // s Shift, c Ctrl, a Alt, L CapsLock, A application cursor
                     // keys, N no interrupt character on the console
  std::uint8_t vk;
  std::string bytes;
};

const KeyRow kKeyRows[] = {
    {"", 0x41, "a"},        {"s", 0x41, "A"},   {"L", 0x41, "A"},      {"sL", 0x41, "a"},
    {"L", 0x31, "1"},       {"s", 0x31, "!"},   {"", 0xba, ";"},       {"s", 0xba, ":"},
    {"c", 0x43, "\x03"},    {"sc", 0x5a, "\x1a"}, {"c", 0x20, std::string(1, '\0')},
    {"a", 0x58, "\x1bx"},   {"ca", 0x41, "\x1b\x01"},
    {"", VK_RETURN, "\r"},  {"a", VK_RETURN, "\x1b\r"}, {"c", VK_RETURN, "\n"},
    {"", VK_TAB, "\t"},     {"s", VK_TAB, "\x1b[Z"},    {"", VK_BACK, "\x7f"},
    {"", VK_ESCAPE, "\x1b"},
    {"", VK_UP, "\x1b[A"},  {"A", VK_UP, "\x1bOA"},     {"s", VK_RIGHT, "\x1b[1;2C"},
    {"c", VK_DOWN, "\x1b[1;5B"}, {"A", VK_LEFT, "\x1bOD"},
    {"", VK_HOME, "\x1b[H"},     {"", VK_END, "\x1b[F"},     {"", VK_PRIOR, "\x1b[5~"},
    {"", VK_NEXT, "\x1b[6~"},    {"", VK_INSERT, "\x1b[2~"}, {"", VK_DELETE, "\x1b[3~"},
    {"", VK_F1, "\x1bOP"},       {"", VK_F1 + 4, "\x1b[15~"}, {"", VK_F1 + 11, "\x1b[24~"},
    {"", VK_F1 + 12, "\x1b[1;2P"}, {"", VK_F16, "\x1b[1;2S"},  // as xterm sends them
    {"", VK_CANCEL, "\x03"},     {"N", VK_CANCEL, ""},       // Break
    {"", VK_HELP, ""},           {"", VK_PRINT, ""},         // keys that type nothing
};

TEST(TypedKeys, EachKeyTypesWhatATerminalSends) {
  for (const KeyRow& row : kKeyRows) {
    auto held = [&](char c) { return std::string(row.held).find(c) != std::string::npos; };
    std::string to_programs;
    ScreenModel screen(&to_programs);
    if (held('A')) screen.Feed("\x1b[?1h", 5);
    TypeKey(screen, {row.vk, held('s'), held('c'), held('a'), held('L'), held('N') ? -1 : 3});
    EXPECT_EQ(to_programs, row.bytes) << row.held << " " << int{row.vk};
  }
}

// Lock keys and modifiers change only the state table: no console needed.
TEST(KeyStateTable, LockKeysToggleOnKeyDownAndModifiersFollowTheirEvents) {
  BYTE cleared[256] = {};
  SetKeyboardState(cleared);
  keybd_event(VK_CAPITAL, 0x3a, 0, 0);
  EXPECT_EQ(GetKeyState(VK_CAPITAL), static_cast<SHORT>(0xff81)) << "down and on";
  keybd_event(VK_CAPITAL, 0x3a, KEYEVENTF_KEYUP, 0);
  EXPECT_EQ(GetKeyState(VK_CAPITAL), 1) << "up and still on";
  keybd_event(VK_CAPITAL, 0x3a, 0, 0);
  keybd_event(VK_CAPITAL, 0x3a, KEYEVENTF_KEYUP, 0);
  EXPECT_EQ(GetKeyState(VK_CAPITAL), 0) << "second press turns it off";

  keybd_event(VK_SHIFT, 0x2a, 0, 0);
  EXPECT_LT(GetKeyState(VK_SHIFT), 0);
  keybd_event(VK_SHIFT, 0x2a, KEYEVENTF_KEYUP, 0);
  EXPECT_EQ(GetKeyState(VK_SHIFT), 0);

  BYTE state[256];
  GetKeyboardState(state);
  state[VK_NUMLOCK] ^= 1;
  SetKeyboardState(state);
  EXPECT_EQ(GetKeyState(VK_NUMLOCK) & 1, 1);
  EXPECT_EQ(GetKeyState(0x1234), 0) << "not a key";
}

TEST(KeyBoundary, AReplyGoesInBetweenKeysNeverInsideOne) {
  const struct {
    std::string queue;
    std::size_t at, boundary;
  } rows[] = {
      {"abc", 1, 1},          {"abc", 3, 3},          {"abc", 9, 3},
      {"a\x1b[A", 1, 1},      {"a\x1b[A", 2, 4},      {"a\x1b[A", 3, 4},
      {"a\x1b[1;5Ab", 4, 7},  {"\x1b[Ax", 3, 3},      {"\x1b[15~", 2, 5},
      {"\x1bOAx", 2, 3},      {"\x1bxy", 1, 2},       {"\x1b\x1b", 1, 2},
      {"\x1b[", 1, 2},        // a key cut short by the queue's end
      {"caf\xc3\xa9!", 4, 5}, {"\xe4\xb8\xad", 1, 3},
      {"\x1b" + std::string(20, '1') + "x", 18, 18},  // too far back to be a key
  };
  for (const auto& row : rows)
    EXPECT_EQ(KeyBoundary(row.queue, row.at), row.boundary) << &row - rows;
}

}  // namespace
}  // namespace posix
