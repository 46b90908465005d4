// The wait loops' pump on an empty queue: rather than spin, block until a
// message comes in or the console changes, probing it with one cheap call
// every kProbeEveryMs (a console call costs about 0.5 ms of CPU under Wine).

#include <algorithm>

#include "platform/win32/console.h"

namespace platform {
namespace win32 {
namespace {

bool paused = false;
bool console_event = false;
bool hook_tried = false;
::HWND console_window = nullptr;

void CALLBACK OnConsoleEvent(::HWINEVENTHOOK, ::DWORD, ::HWND window, ::LONG, ::LONG, ::DWORD,
                             ::DWORD) {
  if (window == console_window) console_event = true;
}

// A real console reports its changes as accessibility events, delivered to
// this thread as it pumps, so a wait ends at once. Wine registers the hook
// but sends none: the probe covers it. Released when the process ends.
void HookConsoleEvents() {
  if (hook_tried) return;
  hook_tried = true;
  console_window = ::GetConsoleWindow();
  if (console_window)
    ::SetWinEventHook(EVENT_CONSOLE_CARET, EVENT_CONSOLE_END_APPLICATION, nullptr, OnConsoleEvent,
                      0, 0, WINEVENT_OUTOFCONTEXT);
}

// Takes in what woke the thread: sent messages and the hook's events are
// handled inside PeekMessage. True when the wait should end.
bool InputEndsWait() {
  ::MSG msg;
  const bool queued = ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  const bool changed = console_event;
  console_event = false;
  return queued || changed;
}

}  // namespace

void NotePaused() { paused = true; }

void IdleWait() {
  const bool untested = CaptureIsNew();
  if (paused || untested) {
    paused = false;
    return;
  }
  HookConsoleEvents();
  console_event = false;  // older than the capture the loop will test: the probe covers them
  const ::DWORD start = ::GetTickCount();
  for (;;) {
    const ::DWORD waited = ::GetTickCount() - start;
    if (waited >= kIdleLimitMs) return;
    const ::DWORD slice = std::min<::DWORD>(kProbeEveryMs, kIdleLimitMs - waited);
    if (::MsgWaitForMultipleObjectsEx(0, nullptr, slice, QS_ALLINPUT, 0) == WAIT_OBJECT_0 &&
        InputEndsWait())
      return;
    if (ConsoleChangedSinceCapture()) return;
  }
}

}  // namespace win32
}  // namespace platform
