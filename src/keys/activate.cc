#include "keys/activate.h"

#include <cstring>

#include "platform/ascii.h"

platform::HWND FoundWindow = 0;

namespace {

// A title is read into this many characters, its NUL included: at most the
// first 79 take part in the prefix search.
constexpr int kTitleBuffer = 80;

}  // namespace

bool ActivateWindowByTitle(const char* title) {
  try {
    FoundWindow = platform::FindWindowA(nullptr, title);
    if (!FoundWindow)
      platform::EnumWindows(MatchWindowTitle, reinterpret_cast<platform::LPARAM>(title));
    if (!FoundWindow) return false;
    platform::SetForegroundWindow(FoundWindow);
    return true;
  } catch (const platform::StopRequested&) {
    throw;  // a stop signal ends the run, search or not
  } catch (...) {
    return false;
  }
}

platform::BOOL MatchWindowTitle(platform::HWND window, platform::LPARAM wanted) {
  char buffer[kTitleBuffer] = {};
  platform::GetWindowTextA(window, buffer, sizeof buffer);
  buffer[sizeof buffer - 1] = '\0';
  const char* title = reinterpret_cast<const char*>(wanted);
  // The buffer's NUL takes part, so a shorter title never matches and the
  // comparison never reads past it.
  for (std::size_t i = 0, n = std::strlen(title); i < n; ++i)
    if (ascii::Lower(buffer[i]) != ascii::Lower(title[i])) return 1;
  FoundWindow = window;
  return 0;
}
