// Key events: one virtual key, alone or wrapped in Shift, Ctrl and Alt,
// turned into keybd_event calls within one send.
#ifndef KLAVRUN_KEYS_INJECT_H_
#define KLAVRUN_KEYS_INJECT_H_

#include <cstddef>
#include <cstdint>
#include <string>

/// The state of one SendKeys call.
struct SendState {
  bool DrainMessages = false;  // take the keyboard messages out after every event
  std::uint32_t CharDelay = 0;  // ms to pause after every key typed
  bool ShiftHeld = false;
  bool CtrlHeld = false;
  bool AltHeld = false;
  bool InGroup = false;
  const char* Text = nullptr;  // the key string being typed
  void (*Notice)(std::size_t start, const std::string& problem) = nullptr;
};

/// Low byte a virtual key, high byte shift state; 0xffff is no key.
using ShiftedKey = std::uint16_t;
constexpr std::uint8_t kShiftBit = 1;
constexpr std::uint8_t kCtrlBit = 2;
constexpr std::uint8_t kAltBit = 4;

/// Keys sent with the extended-key flag: a 256-bit set by virtual key, bit n
/// in byte n / 8, least significant bit first.
extern const std::uint8_t ExtendedKeySet[32];

bool IsExtendedKey(std::uint8_t vk);

/// True when `state` has any of `bits` (kShiftBit, kCtrlBit, kAltBit).
constexpr bool HasModifierBits(std::uint8_t state, std::uint8_t bits) { return (state & bits) != 0; }
/// `key` with modifier `bits` added to its high byte.
constexpr ShiftedKey WithModifierBits(ShiftedKey key, std::uint8_t bits) {
  return static_cast<ShiftedKey>(key | (bits << 8));
}

/// One keybd_event, then the drain when state.DrainMessages is set.
void SendKeyEvent(SendState& state, std::uint8_t vk, std::uint8_t scan,
                  std::uint32_t flags);

/// `count` key-downs, each followed by its key-up when `release`. NumLock is
/// pressed and released once, whatever `count` and `release`.
void PressKey(SendState& state, std::uint8_t vk, std::uint16_t count, bool release);

/// One key-up.
void ReleaseKey(SendState& state, std::uint8_t vk);

/// The modifiers of `key` down (Shift, Ctrl, Alt), the key pressed `count`
/// times, the modifiers up in the same order.
void PressWithShiftState(SendState& state, ShiftedKey key, std::uint16_t count,
                         bool release);

#endif  // KLAVRUN_KEYS_INJECT_H_
