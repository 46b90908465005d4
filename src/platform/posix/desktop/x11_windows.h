// The X server's top-level windows, for the Linux platform's window calls.
//
// One connection per process, opened on first use from DISPLAY. Two
// implementations: x11_windows.cc (Xlib) and x11_windows_none.cc (built
// without X11: there is never a server).
#ifndef KLAVRUN_PLATFORM_POSIX_DESKTOP_X11_WINDOWS_H_
#define KLAVRUN_PLATFORM_POSIX_DESKTOP_X11_WINDOWS_H_

#include <cstdint>
#include <string>
#include <vector>

namespace platform::x11 {

/// True while a connection to the X server named by DISPLAY is open;
/// connects on the first call. False without DISPLAY, when the server
/// cannot be reached, and for good once the connection was lost.
bool Available();

/// A top-level window and its title as the bytes the client set.
struct TopWindow {
  std::uint32_t id;
  std::string title;
};

/// The top-level client windows, top of the stack first. With a window
/// manager that keeps _NET_CLIENT_LIST_STACKING, every window in it (titles
/// may be empty); otherwise the root's mapped children that have a title.
/// Empty when there is no server.
std::vector<TopWindow> TopLevelWindows();

/// The window's _NET_WM_NAME (UTF-8 bytes), else its WM_NAME, else empty.
/// False when the window no longer exists or there is no server.
bool Title(std::uint32_t id, std::string* title);

/// Asks for the window to be raised and given the input focus: through the
/// window manager when it takes _NET_ACTIVE_WINDOW requests, directly
/// otherwise. True when the requests went out without an error.
bool Activate(std::uint32_t id);

}  // namespace platform::x11

#endif  // KLAVRUN_PLATFORM_POSIX_DESKTOP_X11_WINDOWS_H_
