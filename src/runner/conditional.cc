#include "runner/conditional.h"

#include <cstdint>
#include <vector>

#include "platform/platform.h"
#include "platform/printable.h"
#include "runner/classify.h"
#include "runner/dispatch.h"
#include "runner/explain.h"
#include "runner/globals.h"
#include "runner/output.h"
#include "runner/screen.h"
#include "runner/script.h"
#include "runner/trace.h"

namespace {

// One image for every conditional, so that a capture refolds only the rows
// that changed since the last one, whatever line made it. A body that is a
// conditional itself captures into it too: the outer loop captures again
// before it searches.
ScreenImage& KeptScreen() {
  static ScreenImage screen;
  return screen;
}

// What the three commands share: the condition, the body line read from the
// script and classified, and the first capture of the screen.
struct Conditional {
  std::int32_t line;  // the conditional's own line
  std::string condition;
  std::string shown;  // the condition as written, quoted for messages
  CommandKind body_kind;
  std::string body;
  ScreenImage& screen = KeptScreen();
  bool scrolled_found = false;  // among the rows that scrolled off since the line began
};

bool Found(const Conditional& c) {
  return c.scrolled_found || ScreenContains(c.condition, c.screen);
}

// The `while not exists` lines running now, innermost last.
std::vector<Conditional*>& OpenWaits() {
  static std::vector<Conditional*> waits;
  return waits;
}

void SearchScrolledRows(const char* rows, std::size_t length, platform::LPARAM) {
  for (Conditional* c : OpenWaits())
    if (!c->scrolled_found) c->scrolled_found = RowsContain(c->condition, rows, length);
}

// A `while not exists` also looks among the rows that scroll off the top of
// the screen while it runs: output too fast to be seen between two reads of
// the screen. Setting the handler again hands what scrolled off so far to
// the waits already open.
struct ScrollBack {
  explicit ScrollBack(Conditional& c) {
    platform::SetConsoleScrolledRowsHandler(Run.StdOutHandle, SearchScrolledRows, 0);
    OpenWaits().push_back(&c);
  }
  ~ScrollBack() {
    OpenWaits().pop_back();
    if (OpenWaits().empty())
      platform::SetConsoleScrolledRowsHandler(Run.StdOutHandle, nullptr, 0);
  }
  ScrollBack(const ScrollBack&) = delete;
  ScrollBack& operator=(const ScrollBack&) = delete;
};

// The opening steps. False when the body is no command: the command then
// fails under the body's line number without running anything.
bool Open(const std::string& argument, Conditional& c) {
  c.line = Run.LineNumber;
  c.condition = StripQuotes(argument);
  c.shown = Quoted(StripQuotes(ArgumentAsWritten(argument)));
  c.body = ReadScriptLine();
  if (Run.LineTooLong) {
    Run.ErrorText = kLineTooLong;
    Run.CommandOk = false;
    ExplainFailure(kLineTooLong);
    return false;
  }
  CaptureScreen(c.screen);
  c.body_kind = ClassifyLine(c.body);
  if (c.body_kind == ckInvalid) {
    Run.CommandOk = false;
    std::size_t offset = 0;
    ExplainFailure(WhyNoCommand(Run.LineAsWritten, &offset) + " (the body of line " +
                   std::to_string(c.line) + ")");
    return false;
  }
  return true;
}

// A wait whose screen can no longer change says so once, and goes on: the
// time-out, if any, still ends it. `could_change` is asked before the
// capture the wait has just searched: output taken in after that capture
// (a program's last words, then its end) is not on it yet.
void WarnIfNothingCanEndIt(const Conditional& c, bool could_change, bool* warned) {
  if (*warned || c.body_kind == ckStart || could_change) return;
  *warned = true;
  WarnNow("the wait for " + c.shown +
              " can no longer end: no program the script started is still running",
          c.line);
}

// The limit in force, where it was set: ">>>" did not show within 30 s
// (--timeout 30).
void ExplainTimeout(const Conditional& c, bool run_while, std::uint32_t limit) {
  ExplainFailure(c.shown + (run_while ? " did not go away" : " did not show") + " within " +
                     DurationText(limit) + " (" + Run.WaitTimeoutFrom + ")",
                 0, c.line);
}

// Runs the body while the screen's answer equals `run_while`. The body's own
// outcome never stops the loop; the time-out does. `started` is the clock
// when the line started (read only while a time-out is in force).
void Loop(Conditional& c, bool run_while, std::uint64_t started, const char* timeout_text) {
  const std::uint32_t limit = Run.WaitTimeout;
  const std::string waiting = "for " + c.shown + (run_while ? " to go away" : "");
  int notes = 0;
  bool warned = false;
  bool go_on = Found(c) == run_while;
  while (go_on) {
    ExecuteCommand(c.body_kind, c.body);
    // Asked before the capture: output that came before it is on it.
    const bool could_change = warned || platform::ConsoleCanChange();
    CaptureScreen(c.screen);
    PumpMessages();
    go_on = Found(c) == run_while;
    if (!go_on) break;
    if (limit > 0 && platform::GetTickCount64() - started >= limit) {
      Run.ErrorText = timeout_text;
      Run.CommandOk = false;
      ExplainTimeout(c, run_while, limit);
      return;
    }
    WarnIfNothingCanEndIt(c, could_change, &warned);
    if (Run.Trace) TraceWaiting(c.line, waiting, started, &notes);
  }
  Run.CommandOk = true;
}

// The clock of a wait starts with its line; it is read only under a limit
// or --trace, so a run without them makes no such call.
std::uint64_t WaitStarted() {
  return Run.WaitTimeout > 0 || Run.Trace ? platform::GetTickCount64() : 0;
}

}  // namespace

void HandleWhileNotExists(std::string argument) {
  const std::uint64_t started = WaitStarted();
  Conditional c;
  c.condition = StripQuotes(argument);
  ScrollBack scroll_back(c);
  if (!Open(argument, c)) return;
  // An empty condition is never found, so the wait could never end.
  if (c.condition.empty()) {
    Run.ErrorText = "Empty condition in while not exists";
    Run.CommandOk = false;
    ExplainFailure(kEmptyCondition, 0, c.line);
    return;
  }
  Loop(c, false, started, "Timeout in while not exists");
}

void HandleWhileExists(std::string argument) {
  const std::uint64_t started = WaitStarted();
  Conditional c;
  if (!Open(argument, c)) return;
  Loop(c, true, started, "Timeout in while exists");
}

void HandleIfExists(std::string argument) {
  Conditional c;
  if (!Open(argument, c)) return;
  if (ScreenContains(c.condition, c.screen)) ExecuteCommand(c.body_kind, c.body);
  Run.CommandOk = true;
}

void PumpMessages() {
  platform::MSG msg;
  // No window and no filter: the last call, on an empty queue, is where the
  // platform may sleep until the console changes (see platform.h).
  while (platform::PeekMessageA(&msg, 0, 0, 0, platform::PM_REMOVE)) {
    if (msg.message == platform::WM_QUIT) continue;
    platform::TranslateMessage(&msg);
    platform::DispatchMessageA(&msg);
  }
}
