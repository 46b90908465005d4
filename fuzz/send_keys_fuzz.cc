// The key-string parser on the recording platform: whatever the string,
// no Shift, Ctrl or Alt is left down once the send is over.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "keys/send_keys.h"
#include "platform/record/record.h"
#include "runner/globals.h"

namespace {

// Repeat counts up to 99 keep each input quick; the number parser has a
// target of its own.
bool CountsAreSmall(const std::string& keys) {
  int digits = 0;
  for (char c : keys) {
    digits = (c >= '0' && c <= '9') ? digits + 1 : 0;
    if (digits > 2) return false;
  }
  return true;
}

// Which of Shift, Ctrl and Alt are down, as the key events say.
bool modifier_down[3];

void NoteKeyEvent(platform::BYTE vk, platform::DWORD flags) {
  if (vk >= 0x10 && vk <= 0x12) modifier_down[vk - 0x10] = (flags & 0x2) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string keys(reinterpret_cast<const char*>(data), size);
  if (!CountsAreSmall(keys)) return -1;  // not added to the corpus
  record::ResetWorld();
  ResetRunState();
  // Quiet: no call is formatted as text, which would cost most of the time.
  record::TheWorld().Quiet = true;
  record::TheWorld().OnKeyEvent = NoteKeyEvent;
  modifier_down[0] = modifier_down[1] = modifier_down[2] = false;
  try {
    SendKeys(keys, false, 0);
  } catch (const BadRepeatCount&) {
    // A repeat count that is no number: the send ends there.
  }
  if (modifier_down[0] || modifier_down[1] || modifier_down[2]) std::abort();
  return 0;
}
