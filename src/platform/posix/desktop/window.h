// The console's window: one window, with a title.
#ifndef KLAVRUN_PLATFORM_POSIX_DESKTOP_WINDOW_H_
#define KLAVRUN_PLATFORM_POSIX_DESKTOP_WINDOW_H_

namespace posix {

/// Before anything that may change the title of the terminal klavrun writes
/// to: has the terminal keep its title (once, and only on a terminal).
void SaveCallerTitle();

/// When the caller's terminal was asked to keep its title, gives it back.
void RestoreCallerTitle();

}  // namespace posix

#endif  // KLAVRUN_PLATFORM_POSIX_DESKTOP_WINDOW_H_
