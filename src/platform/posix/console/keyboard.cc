#include "platform/posix/console/keyboard.h"

#include <vterm.h>

#include <algorithm>
#include <cstring>

#include "platform/platform.h"
#include "platform/posix/console/console.h"
#include "platform/us_layout.h"

namespace posix {
namespace {

using platform::BYTE;

// The character each key types without and with Shift, from the US layout.
struct CharacterKeys {
  char plain[256];
  char shifted[256];
  CharacterKeys() : plain(), shifted() {
    for (int c = 0x20; c <= 0x7e; ++c) {
      std::uint16_t key = platform::UsVkKeyScan(static_cast<unsigned char>(c));
      BYTE vk = static_cast<BYTE>(key & 0xff);
      if ((key >> 8) == 0) plain[vk] = static_cast<char>(c);
      if ((key >> 8) == 1) shifted[vk] = static_cast<char>(c);
    }
  }
};

const CharacterKeys& Characters() {
  static const CharacterKeys keys;
  return keys;
}

// Keys the screen model encodes itself, honouring the modes programs set.
struct EncodedKey {
  BYTE vk;
  VTermKey key;
};

const EncodedKey kEncodedKeys[] = {
    {platform::VK_PRIOR, VTERM_KEY_PAGEUP}, {platform::VK_NEXT, VTERM_KEY_PAGEDOWN},
    {platform::VK_END, VTERM_KEY_END},      {platform::VK_HOME, VTERM_KEY_HOME},
    {platform::VK_LEFT, VTERM_KEY_LEFT},    {platform::VK_UP, VTERM_KEY_UP},
    {platform::VK_RIGHT, VTERM_KEY_RIGHT},  {platform::VK_DOWN, VTERM_KEY_DOWN},
    {platform::VK_INSERT, VTERM_KEY_INS},   {platform::VK_DELETE, VTERM_KEY_DEL},
};

// The screen model stops at F12; these are what xterm sends.
const char* const kHighFunctionKeys[] = {
    "\x1b[1;2P",  // F13
    "\x1b[1;2Q",  // F14
    "\x1b[1;2R",  // F15
    "\x1b[1;2S",  // F16
};

// What Ctrl does to a character, as terminals have it.
char WithCtrl(char c) {
  if (c >= 0x40 && c <= 0x7e) return static_cast<char>(c & 0x1f);
  switch (c) {
    case ' ':
    case '2': return 0x00;
    case '3': return 0x1b;
    case '4': return 0x1c;
    case '5': return 0x1d;
    case '6': return 0x1e;
    case '7':
    case '/': return 0x1f;
    case '8':
    case '?': return 0x7f;
  }
  return c;
}

int Modifiers(const KeyPress& key) {
  return (key.shift ? VTERM_MOD_SHIFT : 0) | (key.alt ? VTERM_MOD_ALT : 0) |
         (key.ctrl ? VTERM_MOD_CTRL : 0);
}

// The most bytes PlainBytes gives: ESC for Alt, then Shift+Tab's three.
constexpr std::size_t kMostPlainBytes = 4;

// Bytes for keys that are plain bytes, into out; Alt puts ESC before them.
// 0 for any other key.
std::size_t PlainBytes(const KeyPress& key, char* out) {
  std::size_t n = key.alt ? 1 : 0;
  out[0] = '\x1b';
  switch (key.vk) {
    case platform::VK_RETURN: out[n++] = key.ctrl ? '\n' : '\r'; break;
    case platform::VK_TAB:
      if (!key.shift) {
        out[n++] = '\t';
        break;
      }
      std::memcpy(out + n, "\x1b[Z", 3);
      n += 3;
      break;
    case platform::VK_BACK: out[n++] = '\x7f'; break;
    case platform::VK_ESCAPE: out[n++] = '\x1b'; break;
    default: {
      const CharacterKeys& keys = Characters();
      char c = key.shift ? keys.shifted[key.vk] : keys.plain[key.vk];
      if (c == '\0') return 0;
      if (key.caps_lock && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
        c = static_cast<char>(c ^ 0x20);
      if (key.ctrl) c = WithCtrl(c);
      out[n++] = c;
    }
  }
  return n;
}

}  // namespace

void TypeKey(ScreenModel& screen, const KeyPress& key) {
  // Most keys typed are plain bytes, and none of those is a key the
  // terminal encodes: they are looked at first.
  char bytes[kMostPlainBytes];
  if (const std::size_t n = PlainBytes(key, bytes)) {
    screen.Send(bytes, n);
    return;
  }
  // Only keys the terminal encodes ask for it: its modes must then take in
  // all output so far.
  VTermModifier mods = static_cast<VTermModifier>(Modifiers(key));
  for (const EncodedKey& encoded : kEncodedKeys) {
    if (encoded.vk == key.vk) {
      vterm_keyboard_key(screen.terminal(), encoded.key, mods);
      return;
    }
  }
  if (key.vk >= platform::VK_F1 && key.vk < platform::VK_F1 + 12) {
    vterm_keyboard_key(
        screen.terminal(),
        static_cast<VTermKey>(VTERM_KEY_FUNCTION(key.vk - platform::VK_F1 + 1)), mods);
    return;
  }
  if (key.vk >= platform::VK_F1 + 12 && key.vk <= platform::VK_F16) {
    screen.Send(kHighFunctionKeys[key.vk - platform::VK_F1 - 12]);
    return;
  }
  if (key.vk == platform::VK_CANCEL && key.interrupt_char >= 0)
    screen.Send(std::string(1, static_cast<char>(key.interrupt_char)));
}

namespace {

// Where the sequence a key began with ESC at `esc` ends: CSI up to its
// final byte, SS3 and one byte, or Alt and one byte.
std::size_t SequenceEnd(const std::string& queue, std::size_t esc) {
  std::size_t i = esc + 1;
  if (i >= queue.size()) return queue.size();
  if (queue[i] == 'O') return std::min(queue.size(), i + 2);
  if (queue[i] != '[') return i + 1;
  for (++i; i < queue.size(); ++i)
    if (queue[i] >= 0x40 && queue[i] <= 0x7e) return i + 1;
  return queue.size();
}

}  // namespace

std::size_t KeyBoundary(const std::string& queue, std::size_t at) {
  if (at > queue.size()) return queue.size();
  // Sequences hold no ESC: only the last one before `at` can reach past it.
  std::size_t esc = at == 0 ? std::string::npos : queue.rfind('\x1b', at - 1);
  if (esc != std::string::npos && at - esc <= kLongestKey)
    at = std::max(at, SequenceEnd(queue, esc));
  while (at < queue.size() && (static_cast<unsigned char>(queue[at]) & 0xc0) == 0x80) ++at;
  return at;
}

}  // namespace posix

// The keyboard the core types on: a state table like the system's, whose
// modifier entries say what is held while another key goes down.
namespace platform {
namespace {

BYTE key_state[256];

bool Down(BYTE vk) { return (key_state[vk] & 0x80) != 0; }

bool IsModifier(BYTE vk) {
  return vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU ||
         (vk >= 0xa0 && vk <= 0xa5);  // the left and right variants
}

bool IsLock(BYTE vk) {
  return vk == VK_CAPITAL || vk == VK_NUMLOCK || vk == VK_SCROLL;
}

}  // namespace

SHORT VkKeyScanA(CHAR ch) {
  return static_cast<SHORT>(UsVkKeyScan(static_cast<unsigned char>(ch)));
}

UINT MapVirtualKeyA(UINT code, UINT map_type) { return UsMapVirtualKey(code, map_type); }

void keybd_event(BYTE vk, BYTE scan, DWORD flags, std::uintptr_t extra) {
  (void)scan;
  (void)extra;
  if (flags & KEYEVENTF_KEYUP) {
    key_state[vk] &= static_cast<BYTE>(~0x80);
    return;
  }
  key_state[vk] |= 0x80;
  if (IsLock(vk)) {
    key_state[vk] ^= 0x01;
    return;
  }
  if (IsModifier(vk)) return;
  posix::KeyPress key = {};
  key.vk = vk;
  key.shift = Down(VK_SHIFT) || Down(0xa0) || Down(0xa1);
  key.ctrl = Down(VK_CONTROL) || Down(0xa2) || Down(0xa3);
  key.alt = Down(VK_MENU) || Down(0xa4) || Down(0xa5);
  key.caps_lock = (key_state[VK_CAPITAL] & 0x01) != 0;
  key.interrupt_char = posix::InterruptChar();
  const std::size_t queued = posix::QueuedInputSize();
  posix::TypeKey(posix::Screen(), key);
  posix::SecretKeysQueued(queued);
  posix::InputQueued();
}

void MarkSecretKeys(const char* placeholder) {
  if (placeholder != nullptr)
    posix::BeginSecretInput(placeholder);
  else
    posix::EndSecretInput();
}

SHORT GetKeyState(int vk) {
  if (vk < 0 || vk > 0xff) return 0;
  BYTE state = key_state[vk];
  return static_cast<SHORT>(((state & 0x80) ? 0xff80 : 0) | (state & 0x01));
}

BOOL GetKeyboardState(BYTE* state) {
  if (state == nullptr) return 0;
  std::memcpy(state, key_state, sizeof key_state);
  return 1;
}

BOOL SetKeyboardState(BYTE* state) {
  if (state == nullptr) return 0;
  std::memcpy(key_state, state, sizeof key_state);
  return 1;
}

}  // namespace platform
