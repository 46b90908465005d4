// Bringing a top-level window to the front by its title.
#ifndef KLAVRUN_KEYS_ACTIVATE_H_
#define KLAVRUN_KEYS_ACTIVATE_H_

#include "platform/platform.h"

/// The window of the latest search; 0 for none.
extern platform::HWND FoundWindow;

/// The window whose whole title is `title` (ASCII case ignored), else the
/// first in enumeration order whose title begins with it, is asked to come
/// to the front. False when there is none.
bool ActivateWindowByTitle(const char* title);

/// EnumWindows callback of the prefix search; `wanted` points to the title.
/// Zero stops the enumeration at the first match.
platform::BOOL MatchWindowTitle(platform::HWND window, platform::LPARAM wanted);

#endif  // KLAVRUN_KEYS_ACTIVATE_H_
