// The top-level windows: the console first, then the X server's client
// windows from the top of the stack when DISPLAY names a reachable server.
// The console's title starts as klavrun's own path, which is how start-up
// finds it; setting it also sets the title of the terminal klavrun writes
// to, when that is a terminal.
#include "platform/ascii.h"
#include "platform/posix/desktop/window.h"

#include <string>

#include "platform/platform.h"
#include "platform/posix/console/session.h"
#include "platform/posix/desktop/x11_windows.h"

namespace posix {
namespace {

constexpr platform::HWND kConsoleWindow = 0x00010010;

// An X window's handle is its id above this tag, apart from the console's.
constexpr platform::HWND kXWindowTag = platform::HWND{1} << 32;

platform::HWND FromXWindow(std::uint32_t id) { return kXWindowTag | id; }

bool IsXWindow(platform::HWND window) {
  return (window & ~platform::HWND{0xffffffff}) == kXWindowTag;
}

std::uint32_t XWindowId(platform::HWND window) {
  return static_cast<std::uint32_t>(window);
}

struct WindowState {
  bool have_title = false;
  std::string title;
  bool caller_title_saved = false;
};

WindowState window;

const std::string& Title() {
  if (!window.have_title) {
    char path[4096];
    platform::DWORD length =
        platform::GetModuleFileNameA(0, path, sizeof path);
    window.title.assign(path, length);
    window.have_title = true;
  }
  return window.title;
}

bool SameIgnoringCase(const std::string& a, const char* b) {
  return ascii::SameIgnoringCase(a, b);
}

}  // namespace

void SaveCallerTitle() {
  if (window.caller_title_saved || !StdoutIsTerminal()) return;
  // The terminal keeps its own title on its title stack until the end.
  static const char kPushTitle[] = "\x1b[22;0t";
  WriteStdout(kPushTitle, sizeof kPushTitle - 1);
  window.caller_title_saved = true;
}

void RestoreCallerTitle() {
  if (!window.caller_title_saved) return;
  static const char kPopTitle[] = "\x1b[23;0t";
  WriteStdout(kPopTitle, sizeof kPopTitle - 1);
}

}  // namespace posix

namespace platform {

HWND GetConsoleWindow() { return posix::kConsoleWindow; }

HWND FindWindowA(const char* class_name, const char* window_name) {
  if (class_name != nullptr || window_name == nullptr) return 0;
  if (posix::SameIgnoringCase(posix::Title(), window_name))
    return posix::kConsoleWindow;
  for (const auto& window : x11::TopLevelWindows())
    if (posix::SameIgnoringCase(window.title, window_name))
      return posix::FromXWindow(window.id);
  return 0;
}

BOOL EnumWindows(WNDENUMPROC callback, LPARAM param) {
  if (!callback(posix::kConsoleWindow, param)) return 1;
  for (const auto& window : x11::TopLevelWindows())
    if (!callback(posix::FromXWindow(window.id), param)) break;
  return 1;
}

int GetWindowTextA(HWND window, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = '\0';
  std::string title;
  if (window == posix::kConsoleWindow)
    title = posix::Title();
  else if (!posix::IsXWindow(window) ||
           !x11::Title(posix::XWindowId(window), &title))
    return 0;
  std::size_t count = title.size();
  if (count > static_cast<std::size_t>(size - 1))
    count = static_cast<std::size_t>(size - 1);
  title.copy(buffer, count);
  buffer[count] = '\0';
  return static_cast<int>(count);
}

BOOL SetForegroundWindow(HWND window) {
  if (posix::IsXWindow(window))
    return x11::Activate(posix::XWindowId(window)) ? 1 : 0;
  return window == posix::kConsoleWindow ? 1 : 0;
}

BOOL SetWindowTextA(HWND window, const char* text) {
  if (window != posix::kConsoleWindow || text == nullptr) return 0;
  posix::Title();
  posix::window.title = text;
  if (posix::StdoutIsTerminal()) {
    posix::SaveCallerTitle();
    std::string sequence = "\x1b]0;";
    for (char c : posix::window.title) {
      // A control byte would end or break the sequence.
      unsigned char byte = static_cast<unsigned char>(c);
      sequence += (byte < 0x20 || byte == 0x7f) ? '?' : c;
    }
    sequence += '\a';
    posix::WriteStdout(sequence.data(), sequence.size());
  }
  return 1;
}

}  // namespace platform
