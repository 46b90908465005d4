// The user32 operations: each one is the Win32 call of the same name.
#include "platform/win32/console.h"

namespace platform {

using win32::FromHwnd;
using win32::ToHwnd;

// Only visible windows are found (by title or by enumeration): a hidden
// window such as an input method's could not be brought to the front.
HWND FindWindowA(const char* class_name, const char* window_name) {
  // Runs side by side have consoles of one title: of the windows that carry
  // it, this process's own console comes first.
  const ::HWND own = ::GetConsoleWindow();
  ::HWND window = nullptr, first = nullptr;
  while ((window = ::FindWindowExA(nullptr, window, class_name, window_name))) {
    if (window == own) return FromHwnd(own);
    if (!first && ::IsWindowVisible(window)) first = window;
  }
  return FromHwnd(first);
}

namespace {

/// What EnumWindows carries to the trampoline through its LPARAM.
struct EnumClosure {
  WNDENUMPROC callback;
  LPARAM param;
};

// The core's callback is a plain function; Win32 calls back __stdcall.
::BOOL CALLBACK EnumTrampoline(::HWND window, ::LPARAM closure) {
  if (!::IsWindowVisible(window)) return TRUE;
  const auto* c = reinterpret_cast<const EnumClosure*>(closure);
  return c->callback(FromHwnd(window), c->param);
}

}  // namespace

BOOL EnumWindows(WNDENUMPROC callback, LPARAM param) {
  EnumClosure closure{callback, param};
  return ::EnumWindows(EnumTrampoline, reinterpret_cast<::LPARAM>(&closure));
}

int GetWindowTextA(HWND window, char* buffer, int size) {
  return ::GetWindowTextA(ToHwnd(window), buffer, size);
}

BOOL SetForegroundWindow(HWND window) {
  return ::SetForegroundWindow(ToHwnd(window));
}

BOOL SetWindowTextA(HWND window, const char* text) {
  return ::SetWindowTextA(ToHwnd(window), text);
}

SHORT VkKeyScanA(CHAR ch) { return ::VkKeyScanA(ch); }

void keybd_event(BYTE vk, BYTE scan, DWORD flags, std::uintptr_t extra) {
  ::keybd_event(vk, scan, flags, extra);
}

UINT MapVirtualKeyA(UINT code, UINT map_type) {
  return ::MapVirtualKeyA(code, map_type);
}

SHORT GetKeyState(int vk) { return ::GetKeyState(vk); }

BOOL GetKeyboardState(BYTE* state) { return ::GetKeyboardState(state); }

BOOL SetKeyboardState(BYTE* state) { return ::SetKeyboardState(state); }

BOOL PeekMessageA(MSG* msg, HWND window, UINT filter_min, UINT filter_max,
                  UINT remove) {
  ::MSG taken{};
  BOOL found =
      ::PeekMessageA(&taken, ToHwnd(window), filter_min, filter_max, remove);
  if (!found && window == 0 && filter_min == 0 && filter_max == 0) {
    win32::IdleWait();
    found = ::PeekMessageA(&taken, nullptr, 0, 0, remove);
  }
  if (found) *msg = win32::FromNative(taken);
  return found;
}

BOOL TranslateMessage(const MSG* msg) {
  ::MSG native = win32::ToNative(*msg);
  return ::TranslateMessage(&native);
}

LRESULT DispatchMessageA(const MSG* msg) {
  ::MSG native = win32::ToNative(*msg);
  return ::DispatchMessageA(&native);
}

int MessageBoxA(HWND owner, const char* text, const char* caption,
                UINT type) {
  return ::MessageBoxA(ToHwnd(owner), text, caption, type);
}

}  // namespace platform
