#include "keys/send_keys.h"

#include <cstring>
#include <vector>

#include "keys/key_forms.h"
#include "keys/key_names.h"

namespace {

const ShiftedKey kNoKey = 0xffff;
// The US keys of "{" and "}": Shift with the keys of "[" and "]".
constexpr ShiftedKey kOpenBraceKey = WithModifierBits(0xdb, kShiftBit);
constexpr ShiftedKey kCloseBraceKey = WithModifierBits(0xdd, kShiftBit);

void ReleaseModifiers(SendState& state) {
  if (state.ShiftHeld) ReleaseKey(state, platform::VK_SHIFT);
  if (state.CtrlHeld) ReleaseKey(state, platform::VK_CONTROL);
  if (state.AltHeld) ReleaseKey(state, platform::VK_MENU);
  state.ShiftHeld = state.CtrlHeld = state.AltHeld = false;
}

void HoldModifier(SendState& state, bool& held, std::uint8_t vk) {
  held = true;
  PressKey(state, vk, 1, false);
}

// A key with its own shift state, then the #define char_delay pause, then
// the end of a pending hold.
void TypeKey(SendState& state, ShiftedKey key, std::uint16_t count) {
  PressWithShiftState(state, key, count, true);
  if (state.CharDelay > 0) platform::Sleep(state.CharDelay);
  ReleaseHeldModifiers(state);
}

// The layout's key for a character, asked at the moment it is typed.
ShiftedKey ScanChar(char ch) { return static_cast<ShiftedKey>(platform::VkKeyScanA(ch)); }

// Says why a form cannot be typed to whoever listens, before its box.
void Notify(const SendState& state, const KeyForm& form, std::size_t end) {
  if (state.Notice) state.Notice(form.Start, KeyFormProblem(state.Text, form, end));
}

// Carries out one form, which ends at `end`; false when the send ends there
// ("No Close").
bool SendForm(SendState& state, const KeyForm& form, std::size_t end) {
  switch (form.Kind) {
    case kfShift: HoldModifier(state, state.ShiftHeld, platform::VK_SHIFT); break;
    case kfCtrl: HoldModifier(state, state.CtrlHeld, platform::VK_CONTROL); break;
    case kfAlt: HoldModifier(state, state.AltHeld, platform::VK_MENU); break;
    case kfGroupOpen: state.InGroup = true; break;
    case kfGroupClose:
      state.InGroup = false;
      ReleaseHeldModifiers(state);
      break;
    case kfEnter: TypeKey(state, platform::VK_RETURN, 1); break;
    case kfOpenBrace: TypeKey(state, kOpenBraceKey, 1); break;
    case kfCloseBrace: TypeKey(state, kCloseBraceKey, 1); break;
    case kfKeyName: TypeKey(state, form.Vk, PressCount(form.Count)); break;
    case kfBraceChar: {
      // A brace character with no key is skipped without a word.
      const ShiftedKey key = ScanChar(form.Char);
      if (key != kNoKey) TypeKey(state, key, PressCount(form.Count));
      break;
    }
    case kfChar: {
      const ShiftedKey key = ScanChar(form.Char);
      if (key == kNoKey) {
        Notify(state, form, end);
        ShowSendKeysMessage("Invalid KeyName");
      } else {
        TypeKey(state, key, 1);
      }
      break;
    }
    case kfBadKeyName:
      Notify(state, form, end);
      ShowSendKeysMessage("Invalid Key Name");
      break;
    case kfNoClose:
      Notify(state, form, end);
      ShowSendKeysMessage("No Close");
      return false;
    case kfBadCount:
      Notify(state, form, end);
      throw BadRepeatCount{form.Text};
  }
  return true;
}

bool SendKeyString(SendState& state, const char* text, std::size_t len) {
  std::size_t pos = 0;
  KeyForm form;
  while (ReadKeyForm(text, len, &pos, &form))
    if (!SendForm(state, form, pos)) return false;
  ReleaseHeldModifiers(state);
  return true;
}

}  // namespace

void ReleaseHeldModifiers(SendState& state) {
  if (state.InGroup) return;
  ReleaseModifiers(state);
}

bool SendKeys(const std::string& text, bool drain_messages, std::uint32_t char_delay,
              KeyFormNotice notice) {
  SendState state;
  state.DrainMessages = drain_messages;
  state.CharDelay = char_delay;
  state.Text = text.c_str();
  state.Notice = notice;
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

bool TypeLiteralText(const std::string& text, bool drain_messages, std::uint32_t char_delay) {
  // Caps Lock would turn the letters' case: their Shift turns it back.
  const bool caps_lock = (platform::GetKeyState(platform::VK_CAPITAL) & 1) != 0;
  std::vector<ShiftedKey> keys;
  for (char c : text) {
    ShiftedKey key = ScanChar(c);
    if (key == kNoKey) return false;
    const std::uint8_t vk = static_cast<std::uint8_t>(key & 0xff);
    if (caps_lock && vk >= 'A' && vk <= 'Z') key ^= WithModifierBits(0, kShiftBit);
    keys.push_back(key);
  }
  SendState state;
  state.DrainMessages = drain_messages;
  state.CharDelay = char_delay;
  for (ShiftedKey key : keys) TypeKey(state, key, 1);
  return true;
}

bool ActivateAndSendKeys(platform::HWND window, const std::string& text, bool drain_messages,
                         std::uint32_t char_delay, KeyFormNotice notice) {
  if (!platform::SetForegroundWindow(window)) return false;
  return SendKeys(text, drain_messages, char_delay, notice);
}
