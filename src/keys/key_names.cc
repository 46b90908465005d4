#include "keys/key_names.h"

#include <cstring>

#include "platform/platform.h"

const KeyName KeyNameTable[41] = {
    {"BACKSPACE", 0x08}, {"BKSP", 0x08},   {"BREAK", 0x03},      {"BS", 0x08},
    {"CAPSLOCK", 0x14},  {"CLEAR", 0x0c},  {"DEL", 0x2e},        {"DELETE", 0x2e},
    {"DOWN", 0x28},      {"END", 0x23},    {"ENTER", 0x0d},      {"ESC", 0x1b},
    {"ESCAPE", 0x1b},    {"F1", 0x70},     {"F10", 0x79},        {"F11", 0x7a},
    {"F12", 0x7b},       {"F13", 0x7c},    {"F14", 0x7d},        {"F15", 0x7e},
    {"F16", 0x7f},       {"F2", 0x71},     {"F3", 0x72},         {"F4", 0x73},
    {"F5", 0x74},        {"F6", 0x75},     {"F7", 0x76},         {"F8", 0x77},
    {"F9", 0x78},        {"HELP", 0x2f},   {"HOME", 0x24},       {"INS", 0x2d},
    {"LEFT", 0x25},      {"NUMLOCK", 0x90}, {"PGDN", 0x22},      {"PGUP", 0x21},
    {"PRTSC", 0x2a},     {"RIGHT", 0x27},  {"SCROLLLOCK", 0x91}, {"TAB", 0x09},
    {"UP", 0x26},
};

namespace {

// Byte order: unsigned bytes from the first on; a prefix sorts first.
int CompareNames(const std::string& a, const char* b) {
  std::size_t blen = std::strlen(b);
  std::size_t n = a.size() < blen ? a.size() : blen;
  int c = std::memcmp(a.data(), b, n);
  if (c != 0) return c;
  return a.size() < blen ? -1 : a.size() > blen ? 1 : 0;
}

}  // namespace

std::uint16_t LookupKeyName(const std::string& name) {
  int lower = 1;
  int upper = 41;
  while (lower <= upper) {
    int probe = (lower + upper) / 2;
    int c = CompareNames(name, KeyNameTable[probe - 1].Name);
    if (c == 0) return KeyNameTable[probe - 1].Code;
    if (c < 0)
      upper = probe - 1;
    else
      lower = probe + 1;
  }
  return kNoKeyName;
}

void ShowSendKeysMessage(const char* text) {
  platform::MessageBoxA(0, text, "SendKeys", platform::MB_OK);
}
