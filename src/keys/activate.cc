#include "keys/activate.h"

#include <cstring>

platform::HWND FoundWindow = 0;

namespace {

char FoldCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c; }

}  // namespace

bool ActivateWindowByTitle(const char* title) {
  try {
    FoundWindow = platform::FindWindowA(nullptr, title);
    if (!FoundWindow)
      platform::EnumWindows(MatchWindowTitle, reinterpret_cast<platform::LPARAM>(title));
    if (!FoundWindow) return false;
    platform::SetForegroundWindow(FoundWindow);
    return true;
  } catch (...) {
    return false;
  }
}

platform::BOOL MatchWindowTitle(platform::HWND window, platform::LPARAM wanted) {
  char buffer[80] = {};
  platform::GetWindowTextA(window, buffer, sizeof buffer);
  buffer[sizeof buffer - 1] = '\0';
  const char* title = reinterpret_cast<const char*>(wanted);
  // The buffer's NUL takes part, so a shorter title never matches and the
  // comparison never reads past it.
  for (std::size_t i = 0, n = std::strlen(title); i < n; ++i)
    if (FoldCase(buffer[i]) != FoldCase(title[i])) return 1;
  FoundWindow = window;
  return 0;
}
