// Conversions between the platform layer's plain types and the Win32 ones.
//
// Every win32 source includes this header rather than <windows.h> directly:
// platform.h must come first, because <windows.h> defines macros (VK_*,
// GENERIC_READ, ...) with the names of platform.h's constants. Those macros
// are not used inside namespace platform either: the ones holding a cast
// (INVALID_HANDLE_VALUE) would find platform's integer HANDLE there.
#ifndef KLAVRUN_PLATFORM_WIN32_WIN32_TYPES_H_
#define KLAVRUN_PLATFORM_WIN32_WIN32_TYPES_H_

#include "platform/platform.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace platform {
namespace win32 {

inline ::HANDLE ToHandle(HANDLE handle) {
  return reinterpret_cast<::HANDLE>(handle);
}
inline HANDLE FromHandle(::HANDLE handle) {
  return reinterpret_cast<HANDLE>(handle);
}
inline ::HWND ToHwnd(HWND window) { return reinterpret_cast<::HWND>(window); }
inline HWND FromHwnd(::HWND window) { return reinterpret_cast<HWND>(window); }

/// Copies every field the caller may have set. cb becomes the native size
/// (68 on 32-bit Windows, 104 on 64-bit): the core always says 68.
inline ::STARTUPINFOA ToNative(const STARTUPINFOA& in) {
  ::STARTUPINFOA out{};
  out.cb = sizeof out;
  out.lpReserved = in.lpReserved;
  out.lpDesktop = in.lpDesktop;
  out.lpTitle = in.lpTitle;
  out.dwX = in.dwX;
  out.dwY = in.dwY;
  out.dwXSize = in.dwXSize;
  out.dwYSize = in.dwYSize;
  out.dwXCountChars = in.dwXCountChars;
  out.dwYCountChars = in.dwYCountChars;
  out.dwFillAttribute = in.dwFillAttribute;
  out.dwFlags = in.dwFlags;
  out.wShowWindow = in.wShowWindow;
  out.cbReserved2 = in.cbReserved2;
  out.lpReserved2 = in.lpReserved2;
  out.hStdInput = ToHandle(in.hStdInput);
  out.hStdOutput = ToHandle(in.hStdOutput);
  out.hStdError = ToHandle(in.hStdError);
  return out;
}

inline PROCESS_INFORMATION FromNative(const ::PROCESS_INFORMATION& in) {
  PROCESS_INFORMATION out{};
  out.hProcess = FromHandle(in.hProcess);
  out.hThread = FromHandle(in.hThread);
  out.dwProcessId = in.dwProcessId;
  out.dwThreadId = in.dwThreadId;
  return out;
}

inline ::COORD ToNative(COORD in) {
  ::COORD out;
  out.X = in.X;
  out.Y = in.Y;
  return out;
}

inline ::MSG ToNative(const MSG& in) {
  ::MSG out{};
  out.hwnd = ToHwnd(in.hwnd);
  out.message = in.message;
  out.wParam = in.wParam;
  out.lParam = in.lParam;
  out.time = in.time;
  out.pt.x = in.pt.x;
  out.pt.y = in.pt.y;
  return out;
}

inline MSG FromNative(const ::MSG& in) {
  MSG out{};
  out.hwnd = FromHwnd(in.hwnd);
  out.message = in.message;
  out.wParam = in.wParam;
  out.lParam = in.lParam;
  out.time = in.time;
  out.pt.x = in.pt.x;
  out.pt.y = in.pt.y;
  return out;
}

}  // namespace win32
}  // namespace platform

#endif  // KLAVRUN_PLATFORM_WIN32_WIN32_TYPES_H_
