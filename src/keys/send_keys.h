// The key-string language of the send command: plain characters, "+" "^"
// "%" for Shift, Ctrl and Alt, "(...)" groups, "~" for Enter and brace forms
// such as {ENTER}, {LEFT 3}, {{} and {}}.
#ifndef KLAVRUN_KEYS_SEND_KEYS_H_
#define KLAVRUN_KEYS_SEND_KEYS_H_

#include <string>

#include "keys/inject.h"
#include "platform/platform.h"

/// Types `text` (up to its first NUL). True when the string was read to its
/// end; false when it is empty or a brace is never closed. A bad repeat
/// count raises EConvertError. No modifier is left down on any way out.
bool SendKeys(const std::string& text, bool wait);

/// Brings `window` to the front, then types `text`; false without typing
/// when the window cannot be brought forward.
bool ActivateAndSendKeys(platform::HWND window, const std::string& text, bool wait);

/// Releases the modifiers held by "+", "^" and "%" unless a group is open.
void ReleaseHeldModifiers(SendState& state);

#endif  // KLAVRUN_KEYS_SEND_KEYS_H_
