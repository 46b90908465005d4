#include "keys/send_keys.h"

#include <cstring>

#include "keys/key_names.h"
#include "runner/globals.h"
#include "runner/integer.h"

namespace {

const std::size_t kMaxBraceName = 20;
const ShiftedKey kNoKey = 0xffff;
// The US keys of "{" and "}": Shift with the keys of "[" and "]".
constexpr ShiftedKey kOpenBraceKey = WithShiftBits(0xdb, kShiftBit);
constexpr ShiftedKey kCloseBraceKey = WithShiftBits(0xdd, kShiftBit);

void ReleaseModifiers(SendState& state) {
  if (state.ShiftHeld) ReleaseKey(state, platform::VK_SHIFT);
  if (state.CtrlHeld) ReleaseKey(state, platform::VK_CONTROL);
  if (state.AltHeld) ReleaseKey(state, platform::VK_MENU);
  state.ShiftHeld = state.CtrlHeld = state.AltHeld = false;
}

// After every key form that sent a key: the #define char_delay pause, then
// the end of a pending hold.
void AfterKey(SendState& state) {
  if (Run.CharDelay > 0) platform::Sleep(static_cast<platform::DWORD>(Run.CharDelay));
  ReleaseHeldModifiers(state);
}

ShiftedKey ScanChar(char ch) {
  return static_cast<ShiftedKey>(platform::VkKeyScanA(ch));
}

// The brace form at text[i] == '{'. Returns the position after it, or
// npos when no "}" closes it.
std::size_t SendBraceForm(SendState& state, const char* text, std::size_t len,
                          std::size_t i) {
  if (i + 1 < len && text[i + 1] == '{') {
    PressWithShiftState(state, kOpenBraceKey, 1, true);
    AfterKey(state);
    return i + 3;  // the third byte, normally "}", is not looked at
  }

  std::string name;
  std::size_t j = i + 1;
  for (; j < len && text[j] != '}'; ++j) {
    if (name.size() < kMaxBraceName) {
      char c = text[j];
      name += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c;
    }
  }
  if (j >= len) return std::string::npos;

  if (j + 1 < len && text[j + 1] == '}') {
    PressWithShiftState(state, kCloseBraceKey, 1, true);
    AfterKey(state);
    return j + 2;
  }

  std::uint16_t count = 1;
  std::string::size_type space = name.find(' ');
  if (space != std::string::npos) {
    const std::string count_text = name.substr(space + 1);
    std::int32_t n;
    if (!ParseInteger(count_text, &n)) RaiseConvertError(count_text);
    count = static_cast<std::uint16_t>(n);
    name.resize(space);
  }

  ShiftedKey key = name.size() == 1 ? ScanChar(name[0]) : LookupKeyName(name);
  if (key != kNoKey) {
    PressWithShiftState(state, key, count, true);
    AfterKey(state);
  }
  return j + 1;
}

bool SendKeyString(SendState& state, const char* text, std::size_t len) {
  std::size_t i = 0;
  while (i < len) {
    const char c = text[i];
    switch (c) {
      case '+':
        state.ShiftHeld = true;
        PressKey(state, platform::VK_SHIFT, 1, false);
        break;
      case '^':
        state.CtrlHeld = true;
        PressKey(state, platform::VK_CONTROL, 1, false);
        break;
      case '%':
        state.AltHeld = true;
        PressKey(state, platform::VK_MENU, 1, false);
        break;
      case '(':
        state.InGroup = true;
        break;
      case ')':
        state.InGroup = false;
        ReleaseHeldModifiers(state);
        break;
      case '~':
        PressKey(state, platform::VK_RETURN, 1, true);
        AfterKey(state);
        break;
      case '{': {
        std::size_t next = SendBraceForm(state, text, len, i);
        if (next == std::string::npos) {
          ShowSendKeysMessage("No Close");
          return false;
        }
        i = next;
        continue;
      }
      default: {
        ShiftedKey key = ScanChar(c);
        if (key == kNoKey) {
          ShowSendKeysMessage("Invalid KeyName");
        } else {
          PressWithShiftState(state, key, 1, true);
          AfterKey(state);
        }
      }
    }
    ++i;
  }
  ReleaseHeldModifiers(state);
  return true;
}

}  // namespace

void ReleaseHeldModifiers(SendState& state) {
  if (state.InGroup) return;
  ReleaseModifiers(state);
}

bool SendKeys(const std::string& text, bool wait) {
  SendState state;
  state.Wait = wait;
  const std::size_t len = std::strlen(text.c_str());
  if (len == 0) return false;
  bool result;
  try {
    result = SendKeyString(state, text.c_str(), len);
  } catch (...) {
    ReleaseModifiers(state);  // a bad repeat count must not leave Shift down
    throw;
  }
  // A group never closed, or "No Close", may still hold modifiers.
  ReleaseModifiers(state);
  return result;
}

bool ActivateAndSendKeys(platform::HWND window, const std::string& text, bool wait) {
  if (!platform::SetForegroundWindow(window)) return false;
  return SendKeys(text, wait);
}
