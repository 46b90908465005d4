// Built without X11: there is never a server, so no window but the console.
#include "platform/posix/desktop/x11_windows.h"

namespace platform::x11 {

bool Available() { return false; }

std::vector<TopWindow> TopLevelWindows() { return {}; }

bool Title(std::uint32_t, std::string*) { return false; }

bool Activate(std::uint32_t) { return false; }

}  // namespace platform::x11
