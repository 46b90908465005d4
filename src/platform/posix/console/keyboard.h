// The console's keyboard: the key state table and what a key press types.
#ifndef KLAVRUN_PLATFORM_POSIX_CONSOLE_KEYBOARD_H_
#define KLAVRUN_PLATFORM_POSIX_CONSOLE_KEYBOARD_H_

#include <cstdint>
#include <string>

#include "platform/posix/console/screen_model.h"

namespace posix {

/// One key going down, with what is held or locked at that moment.
struct KeyPress {
  std::uint8_t vk;
  bool shift;
  bool ctrl;
  bool alt;
  bool caps_lock;
  int interrupt_char;  // what Break types; -1 for nothing
};

/// Queues the bytes a terminal sends for the key (US layout) into the
/// screen model's input for the programs. Keys with no terminal meaning
/// queue nothing.
void TypeKey(ScreenModel& screen, const KeyPress& key);

/// The longest escape sequence a key sends, and more.
constexpr std::size_t kLongestKey = 16;

/// The first place at or after `at` in the queued input that splits no
/// key's escape sequence and no UTF-8 character: where a terminal's reply
/// may go in. Looks back at most kLongestKey bytes.
std::size_t KeyBoundary(const std::string& queue, std::size_t at);

}  // namespace posix

#endif  // KLAVRUN_PLATFORM_POSIX_CONSOLE_KEYBOARD_H_
