// The console klavrun drives, as the win32 layer holds it: CONIN$ and
// CONOUT$ opened once at start-up, the visible window read in one call, the
// rows that scroll off it while a wait looks for them, and the idle wait of
// the message pump.
//
// The core passes its standard handles, which may be files when klavrun's
// output is redirected; the screen is read, and started programs are given
// the console, through these handles instead.
#ifndef KLAVRUN_PLATFORM_WIN32_CONSOLE_H_
#define KLAVRUN_PLATFORM_WIN32_CONSOLE_H_

#include "platform/win32/win32_types.h"

namespace platform {
namespace win32 {

/// Opens CONIN$ and CONOUT$ (inheritable) for the rest of the run. Without a
/// console the core's handles are used instead.
void OpenConsole();

/// CONIN$ / CONOUT$, or `fallback` when there is no console.
::HANDLE ConsoleInput(::HANDLE fallback);
::HANDLE ConsoleOutput(::HANDLE fallback);

/// In a STARTF_USESTDHANDLES record, replaces each standard handle that is
/// not a console handle (a file, or none) with CONIN$ or CONOUT$.
void GiveConsole(::STARTUPINFOA& startup);

/// True when the last capture differs from the one taken before the
/// previous call: the wait loop has not tested that screen yet (a loop
/// captures, then pumps, then tests the capture).
bool CaptureIsNew();

/// True when a read of the region the last capture read gives other cells
/// than that capture: one console call. False when it cannot be read.
bool ConsoleChangedSinceCapture();

/// Notes that the caller paused (a Sleep of 1 ms or more): the next idle
/// pump returns at once, so a loop whose body waits keeps its pace.
void NotePaused();

/// The idle wait of PeekMessageA(_, 0, 0, 0, _) on an empty queue: returns
/// at once after a pause or a capture the loop has not tested yet, else when
/// a message comes in, the console changes or kIdleLimitMs pass.
void IdleWait();

/// How often the console is probed during an idle wait, and the longest
/// an idle wait lasts (the loop then captures the screen in full).
constexpr DWORD kProbeEveryMs = 35;
constexpr DWORD kIdleLimitMs = 300;

}  // namespace win32
}  // namespace platform

#endif  // KLAVRUN_PLATFORM_WIN32_CONSOLE_H_
