#include "runner/conditional.h"

#include "platform/platform.h"
#include "runner/classify.h"
#include "runner/dispatch.h"
#include "runner/globals.h"
#include "runner/screen.h"
#include "runner/script.h"

namespace {

// What the three commands share: the condition, the body line read from the
// script and classified, and the first capture of the screen.
struct Conditional {
  std::string condition;
  CommandKind body_kind;
  std::string body;
  ScreenImage screen;
};

// The opening steps. False when the body is no command: the command then
// fails under the body's line number without running anything.
bool Open(const std::string& argument, Conditional& c) {
  c.condition = StripQuotes(argument);
  c.body = ReadScriptLine();
  CaptureScreen(c.screen);
  c.body_kind = ClassifyLine(c.body);
  if (c.body_kind == ckInvalid) {
    Run.CommandOk = false;
    return false;
  }
  return true;
}

// Runs the body while the screen's answer equals `run_while`. The body's own
// outcome never stops the loop.
void Loop(Conditional& c, bool run_while) {
  while (ScreenContains(c.condition, c.screen) == run_while) {
    ExecuteCommand(c.body_kind, c.body);
    CaptureScreen(c.screen);
    PumpMessages();
  }
  Run.CommandOk = true;
}

}  // namespace

void HandleWhileNotExists(std::string argument) {
  Conditional c;
  if (!Open(argument, c)) return;
  // An empty condition is never found, so the wait could never end.
  if (c.condition.empty()) {
    Run.ErrorText = "Empty condition in while not exists";
    Run.CommandOk = false;
    return;
  }
  Loop(c, false);
}

void HandleWhileExists(std::string argument) {
  Conditional c;
  if (!Open(argument, c)) return;
  Loop(c, true);
}

void HandleIfExists(std::string argument) {
  Conditional c;
  if (!Open(argument, c)) return;
  if (ScreenContains(c.condition, c.screen)) ExecuteCommand(c.body_kind, c.body);
  Run.CommandOk = true;
}

void PumpMessages() {
  platform::MSG msg;
  while (platform::PeekMessageA(&msg, 0, 0, 0, platform::PM_REMOVE)) {
    if (msg.message == platform::WM_QUIT) continue;
    platform::TranslateMessage(&msg);
    platform::DispatchMessageA(&msg);
  }
}
