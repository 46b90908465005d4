// The key-string language of the send command: plain characters, "+" "^"
// "%" for Shift, Ctrl and Alt, "(...)" groups, "~" for Enter and brace forms
// such as {ENTER}, {LEFT 3}, {{} and {}}. Read by keys/key_forms.h; typed
// here.
#ifndef KLAVRUN_KEYS_SEND_KEYS_H_
#define KLAVRUN_KEYS_SEND_KEYS_H_

#include <cstdint>
#include <string>

#include "keys/inject.h"
#include "platform/platform.h"

/// Thrown by SendKeys for a repeat count that is no integer; `Text` is the
/// count as read (upper-cased). The caller decides how the run ends.
struct BadRepeatCount {
  std::string Text;
};

/// Told of a key form that cannot be typed, before its message box or its
/// BadRepeatCount: the form's offset in the text, and why (KeyFormProblem).
using KeyFormNotice = void (*)(std::size_t start, const std::string& problem);

/// Types `text` (up to its first NUL), draining the keyboard messages after
/// every event when `drain_messages`, pausing `char_delay` ms after every key. True
/// when the string was read to its end; false when it is empty or a brace is
/// never closed. Throws BadRepeatCount. No modifier is left down on any way
/// out.
bool SendKeys(const std::string& text, bool drain_messages, std::uint32_t char_delay,
              KeyFormNotice notice = nullptr);

/// Brings `window` to the front, then types `text`; false without typing
/// when the window cannot be brought forward.
bool ActivateAndSendKeys(platform::HWND window, const std::string& text, bool drain_messages,
                         std::uint32_t char_delay, KeyFormNotice notice = nullptr);

/// Types each byte of `text` as it is, by its key on the layout, with no
/// key-string meaning, pausing `char_delay` ms after every key. False,
/// typing nothing, when some byte has no key.
bool TypeLiteralText(const std::string& text, bool drain_messages, std::uint32_t char_delay);

/// Releases the modifiers held by "+", "^" and "%" unless a group is open.
void ReleaseHeldModifiers(SendState& state);

#endif  // KLAVRUN_KEYS_SEND_KEYS_H_
