#include "platform/posix/keyboard.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"

namespace posix {
namespace {

struct KeyRow {
  const char* what;
  std::uint8_t vk;
  bool shift, ctrl, alt, caps;
  bool application_cursor;  // the program switched the cursor keys
  std::string bytes;
};

const KeyRow kKeyRows[] = {
    {"letter", 0x41, false, false, false, false, false, "a"},
    {"Shift makes a capital", 0x41, true, false, false, false, false, "A"},
    {"CapsLock makes a capital", 0x41, false, false, false, true, false, "A"},
    {"CapsLock and Shift cancel out", 0x41, true, false, false, true, false, "a"},
    {"CapsLock leaves digits alone", 0x31, false, false, false, true, false, "1"},
    {"Shift on a digit", 0x31, true, false, false, false, false, "!"},
    {"punctuation", 0xba, false, false, false, false, false, ";"},
    {"shifted punctuation", 0xba, true, false, false, false, false, ":"},
    {"Shift+backquote is tilde", 0xc0, true, false, false, false, false, "~"},
    {"Ctrl+C is the interrupt character", 0x43, false, true, false, false, false, "\x03"},
    {"Ctrl+Shift+Z", 0x5a, true, true, false, false, false, "\x1a"},
    {"Ctrl+[ is Esc", 0xdb, false, true, false, false, false, "\x1b"},
    {"Ctrl+Space is NUL", 0x20, false, true, false, false, false, std::string(1, '\0')},
    {"Alt puts Esc first", 0x58, false, false, true, false, false, "\x1bx"},
    {"Ctrl+Alt+A", 0x41, false, true, true, false, false, "\x1b\x01"},
    {"Enter", platform::VK_RETURN, false, false, false, false, false, "\r"},
    {"Alt+Enter", platform::VK_RETURN, false, false, true, false, false, "\x1b\r"},
    {"Tab", platform::VK_TAB, false, false, false, false, false, "\t"},
    {"Shift+Tab", platform::VK_TAB, true, false, false, false, false, "\x1b[Z"},
    {"Backspace", platform::VK_BACK, false, false, false, false, false, "\x7f"},
    {"Esc", platform::VK_ESCAPE, false, false, false, false, false, "\x1b"},
    {"Up", platform::VK_UP, false, false, false, false, false, "\x1b[A"},
    {"Up in application cursor mode", platform::VK_UP, false, false, false, false, true, "\x1bOA"},
    {"Left in application cursor mode", platform::VK_LEFT, false, false, false, false, true, "\x1bOD"},
    {"Shift+Right", platform::VK_RIGHT, true, false, false, false, false, "\x1b[1;2C"},
    {"Ctrl+Down", platform::VK_DOWN, false, true, false, false, false, "\x1b[1;5B"},
    {"Home", platform::VK_HOME, false, false, false, false, false, "\x1b[H"},
    {"End", platform::VK_END, false, false, false, false, false, "\x1b[F"},
    {"Page Up", platform::VK_PRIOR, false, false, false, false, false, "\x1b[5~"},
    {"Page Down", platform::VK_NEXT, false, false, false, false, false, "\x1b[6~"},
    {"Insert", platform::VK_INSERT, false, false, false, false, false, "\x1b[2~"},
    {"Delete", platform::VK_DELETE, false, false, false, false, false, "\x1b[3~"},
    {"F1", platform::VK_F1, false, false, false, false, false, "\x1bOP"},
    {"F4", platform::VK_F1 + 3, false, false, false, false, false, "\x1bOS"},
    {"F5", platform::VK_F1 + 4, false, false, false, false, false, "\x1b[15~"},
    {"F12", platform::VK_F1 + 11, false, false, false, false, false, "\x1b[24~"},
    {"F13 as xterm sends it", platform::VK_F1 + 12, false, false, false, false, false, "\x1b[1;2P"},
    {"F16 as xterm sends it", platform::VK_F16, false, false, false, false, false, "\x1b[1;2S"},
    {"Break types the interrupt character", platform::VK_CANCEL, false, false, false, false, false, "\x03"},
    {"Help types nothing", platform::VK_HELP, false, false, false, false, false, ""},
    {"Print Screen types nothing", platform::VK_PRINT, false, false, false, false, false, ""},
    {"Clear types nothing", platform::VK_CLEAR, false, false, false, false, false, ""},
    {"a key the layout does not have", 0xe7, false, false, false, false, false, ""},
};

TEST(TypedKeys, EachKeyTypesWhatATerminalSends) {
  for (const KeyRow& row : kKeyRows) {
    std::string to_programs;
    ScreenModel screen(&to_programs);
    if (row.application_cursor) {
      const char kSwitch[] = "\x1b[?1h";
      screen.Feed(kSwitch, sizeof kSwitch - 1);
    }
    KeyPress key = {row.vk, row.shift, row.ctrl, row.alt, row.caps, 0x03};
    TypeKey(screen, key);
    EXPECT_EQ(to_programs, row.bytes) << row.what;
  }
}

TEST(TypedKeys, BreakTypesNothingWhenTheConsoleHasNoInterruptCharacter) {
  std::string to_programs;
  ScreenModel screen(&to_programs);
  TypeKey(screen, KeyPress{platform::VK_CANCEL, false, false, false, false, -1});
  EXPECT_EQ(to_programs, "");
}

// Lock keys and modifiers change only the state table, so these run
// without a console.
TEST(KeyStateTable, LockKeysToggleOnKeyDownAndModifiersFollowTheirEvents) {
  using namespace platform;
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

}  // namespace
}  // namespace posix
