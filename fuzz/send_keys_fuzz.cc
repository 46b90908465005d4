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

// Which of Shift, Ctrl and Alt the recorded key events leave down.
std::string ModifiersLeftDown(const std::vector<std::string>& calls) {
  bool down[3] = {};
  for (const std::string& call : calls) {
    unsigned vk, scan, flags;
    if (std::sscanf(call.c_str(), "keybd_event(0x%x, 0x%x, 0x%x,", &vk, &scan, &flags) != 3)
      continue;
    if (vk >= 0x10 && vk <= 0x12) down[vk - 0x10] = (flags & 0x2) == 0;
  }
  std::string left;
  for (int i = 0; i < 3; ++i)
    if (down[i]) left += "SCA"[i];
  return left;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string keys(reinterpret_cast<const char*>(data), size);
  if (!CountsAreSmall(keys)) return -1;  // not added to the corpus
  record::ResetWorld();
  ResetRunState();
  try {
    SendKeys(keys, false);
  } catch (const RaisedError&) {
    // A repeat count that is no number: the send ends there.
  }
  if (!ModifiersLeftDown(record::TheWorld().Calls).empty()) std::abort();
  return 0;
}
