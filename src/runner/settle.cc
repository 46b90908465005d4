#include "runner/settle.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "platform/platform.h"
#include "runner/conditional.h"
#include "runner/dispatch.h"
#include "runner/explain.h"
#include "runner/globals.h"
#include "text/integer.h"
#include "runner/screen.h"
#include "runner/trace.h"

namespace {

bool SameText(const ScreenImage& a, const ScreenImage& b) {
  return a.Rows == b.Rows && a.RowBytes == b.RowBytes &&
         std::memcmp(a.Cells.data(), b.Cells.data(),
                     static_cast<std::size_t>(a.Rows) * a.RowBytes) == 0;
}

}  // namespace

void HandleSettle(std::string argument) {
  std::int32_t quiet_ms;
  if (!ParseInteger(argument, &quiet_ms) || quiet_ms < 0) {
    Run.ErrorText = "Error in settle command";
    Run.CommandOk = false;
    ExplainFailure(MillisecondsProblem(argument, ArgumentAsWritten(argument)));
    return;
  }
  const std::uint32_t limit = Run.WaitTimeout;
  const std::uint64_t started = platform::GetTickCount64();
  std::uint64_t quiet_since = started;
  // Kept between lines: a settle allocates once the console's size is known.
  static ScreenImage last, latest;
  CaptureScreen(last);
  bool changed = false;
  int notes = 0;
  for (;;) {
    const std::uint64_t now = platform::GetTickCount64();
    if (changed) quiet_since = now;
    if (now - quiet_since >= static_cast<std::uint32_t>(quiet_ms)) break;
    if (limit > 0 && now - started >= limit) {
      Run.ErrorText = "Timeout in settle";
      Run.CommandOk = false;
      ExplainFailure("the screen did not settle for " +
                     DurationText(static_cast<std::uint32_t>(quiet_ms)) + " within " +
                     DurationText(limit) + " (" + Run.WaitTimeoutFrom + ")");
      return;
    }
    if (Run.Trace) TraceWaiting(Run.LineNumber, "for the screen to settle", started, &notes);
    // The pump sleeps until the console changes or a short while passes.
    PumpMessages();
    CaptureScreen(latest);
    changed = !SameText(latest, last);
    if (changed) std::swap(latest, last);
  }
  Run.CommandOk = true;
}
