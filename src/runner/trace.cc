#include "runner/trace.h"

#include <cstdio>

#include "platform/platform.h"
#include "platform/printable.h"
#include "runner/explain.h"
#include "runner/globals.h"
#include "runner/output.h"

namespace {

constexpr std::uint64_t kWaitNoteMs = 10000;

// "calc.klav:5 +1.204s"
std::string Stamp(int line) {
  const std::uint64_t ms = platform::GetTickCount64() - Run.StartedAt;
  char time[32];
  std::snprintf(time, sizeof time, " +%llu.%03llus", static_cast<unsigned long long>(ms / 1000),
                static_cast<unsigned long long>(ms % 1000));
  return ScriptPlace(line) + time;
}

}  // namespace

void TraceLine(int number, const std::string& written) {
  WriteErrorOutput(Stamp(number) + (written.empty() ? "" : " " + Printable(written)) + "\n");
}

void TraceWaiting(int line, const std::string& what, std::uint64_t started, int* notes) {
  const std::uint64_t waited = platform::GetTickCount64() - started;
  if (waited < (static_cast<std::uint64_t>(*notes) + 1) * kWaitNoteMs) return;
  *notes = static_cast<int>(waited / kWaitNoteMs);
  WriteErrorOutput(Stamp(line) + " still waiting " + what + " (" +
                   std::to_string(*notes * kWaitNoteMs / 1000) + " s)\n");
}
