// The message queue: klavrun has no windows that receive messages, so the
// queue is always empty. The pump between two passes of a wait loop is
// where klavrun waits for the console instead of spinning.
#include "platform/platform.h"
#include "platform/posix/console/console.h"

namespace platform {
namespace {

// Long enough to leave the processor idle, short enough that a wait loop
// whose body does the waiting keeps its pace.
constexpr int kIdleWaitMs = 20;

}  // namespace

BOOL PeekMessageA(MSG* msg, HWND window, UINT filter_min, UINT filter_max,
                  UINT remove) {
  (void)remove;
  if (msg != nullptr) *msg = MSG{};
  if (window == 0 && filter_min == 0 && filter_max == 0)
    posix::WaitForNewOutput(kIdleWaitMs);
  else
    posix::InputQueued();
  return 0;
}

BOOL TranslateMessage(const MSG* msg) {
  (void)msg;
  return 0;
}

LRESULT DispatchMessageA(const MSG* msg) {
  (void)msg;
  return 0;
}

}  // namespace platform
