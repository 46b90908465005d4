#include "keys/inject.h"

#include "platform/platform.h"

// Page Up, Page Down, End, Home, the four arrows, Insert, Delete and NumLock.
const std::uint8_t ExtendedKeySet[32] = {
    0, 0, 0,    0, 0xfe, 0x61, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0x01, 0, 0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
};

bool IsExtendedKey(std::uint8_t vk) { return (ExtendedKeySet[vk / 8] >> (vk % 8)) & 1; }

namespace {

std::uint8_t ScanCode(std::uint8_t vk) {
  return static_cast<std::uint8_t>(platform::MapVirtualKeyA(vk, platform::MAPVK_VK_TO_VSC));
}

}  // namespace

void SendKeyEvent(SendState& state, std::uint8_t vk, std::uint8_t scan,
                  std::uint32_t flags) {
  platform::keybd_event(vk, scan, flags, 0);
  if (!state.DrainMessages) return;
  platform::MSG msg;
  while (platform::PeekMessageA(&msg, 0, platform::WM_KEYFIRST, platform::WM_KEYLAST,
                                platform::PM_REMOVE)) {
    platform::TranslateMessage(&msg);
    platform::DispatchMessageA(&msg);
  }
}

void PressKey(SendState& state, std::uint8_t vk, std::uint16_t count, bool release) {
  // NumLock is a toggle: pressed once, whatever the count, as a lock is
  // flipped once.
  if (vk == platform::VK_NUMLOCK) {
    count = 1;
    release = true;
  }
  const std::uint8_t scan = ScanCode(vk);
  const std::uint32_t extended = IsExtendedKey(vk) ? platform::KEYEVENTF_EXTENDEDKEY : 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    SendKeyEvent(state, vk, scan, extended);
    if (release) SendKeyEvent(state, vk, scan, extended | platform::KEYEVENTF_KEYUP);
  }
}

void ReleaseKey(SendState& state, std::uint8_t vk) {
  SendKeyEvent(state, vk, ScanCode(vk), platform::KEYEVENTF_KEYUP);
}

void PressWithShiftState(SendState& state, ShiftedKey key, std::uint16_t count,
                         bool release) {
  const std::uint8_t shift = static_cast<std::uint8_t>(key >> 8);
  const std::uint8_t vk = static_cast<std::uint8_t>(key & 0xff);
  if (HasModifierBits(shift, kShiftBit)) PressKey(state, platform::VK_SHIFT, 1, false);
  if (HasModifierBits(shift, kCtrlBit)) PressKey(state, platform::VK_CONTROL, 1, false);
  if (HasModifierBits(shift, kAltBit)) PressKey(state, platform::VK_MENU, 1, false);
  PressKey(state, vk, count, release);
  if (HasModifierBits(shift, kShiftBit)) ReleaseKey(state, platform::VK_SHIFT);
  if (HasModifierBits(shift, kCtrlBit)) ReleaseKey(state, platform::VK_CONTROL);
  if (HasModifierBits(shift, kAltBit)) ReleaseKey(state, platform::VK_MENU);
}
