#include "runner/commands.h"

#include <cstring>

#include "keys/activate.h"
#include "keys/send_keys.h"
#include "platform/ascii.h"
#include "platform/platform.h"
#include "runner/dispatch.h"
#include "runner/errors.h"
#include "runner/globals.h"
#include "runner/screen.h"
#include "text/integer.h"
#include "writers/whole_file.h"

namespace {

// Numbers for the delays: valid integer text and not negative, since a
// negative count would reach the system as a wait of weeks.
bool ParseMilliseconds(const std::string& text, std::int32_t* ms) {
  return ParseInteger(text, ms) && *ms >= 0;
}

}  // namespace

void HandleDelay(std::string argument) {
  std::int32_t ms;
  if (!ParseMilliseconds(argument, &ms)) {
    Run.ErrorText = "Error in delay command";
    Run.CommandOk = false;
    return;
  }
  platform::Sleep(static_cast<platform::DWORD>(ms));
  Run.CommandOk = true;
}

namespace {

// A #define line that sets a number of milliseconds; a bad or negative
// number fails with `error_text` and keeps the setting as it was.
template <typename Setting>
void DefineMilliseconds(const std::string& argument, const char* error_text, Setting* setting) {
  std::int32_t ms;
  if (!ParseMilliseconds(argument, &ms)) {
    Run.ErrorText = error_text;
    Run.CommandOk = false;
    return;
  }
  *setting = static_cast<Setting>(ms);
  Run.CommandOk = true;
}

}  // namespace

void HandleLineDelay(std::string argument) {
  DefineMilliseconds(argument, "Error in: #define LINE_DELAY", &Run.LineDelay);
}

void HandleCharDelay(std::string argument) {
  DefineMilliseconds(argument, "Error in: #define CHAR_DELAY", &Run.CharDelay);
}

void HandleWaitTimeout(std::string argument) {
  DefineMilliseconds(argument, "Error in: #define WAIT_TIMEOUT", &Run.WaitTimeout);
}

namespace {

// The argument as the script wrote it: the same bytes as `argument` but for
// letter case, taken from the end of the line read last. When that line is
// not the one `argument` came from, the argument stays as it is.
std::string AsWritten(const std::string& argument) {
  std::string line = Run.LineAsWritten;
  std::size_t end = line.size();
  while (end > 0 && static_cast<unsigned char>(line[end - 1]) <= 0x20) --end;
  if (end < argument.size()) return argument;
  std::string tail = line.substr(end - argument.size(), argument.size());
  return ascii::SameIgnoringCase(tail, argument) ? tail : argument;
}

}  // namespace

void HandleStart(std::string argument) {
  if (platform::LetterCaseMatters()) argument = AsWritten(argument);
  std::string command_line = StripQuotes(argument);

  platform::STARTUPINFOA startup;
  std::memset(&startup, 0, sizeof startup);
  startup.cb = 68;
  startup.dwFlags = platform::STARTF_USESTDHANDLES;
  startup.hStdInput = Run.StdInHandle;
  startup.hStdOutput = Run.StdOutHandle;
  platform::PROCESS_INFORMATION process;
  std::memset(&process, 0, sizeof process);

  // The system may write into the command line, so it gets a copy.
  std::string writable = command_line;
  if (platform::CreateProcessA(nullptr, &writable[0], nullptr, nullptr, 1,
                               platform::NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                               &startup, &process)) {
    // Started programs are not tracked: their handles are closed at once.
    if (process.hThread) platform::CloseHandle(process.hThread);
    if (process.hProcess) platform::CloseHandle(process.hProcess);
    Run.CommandOk = true;
    return;
  }
  Run.CommandOk = false;
  switch (platform::GetLastError()) {
    case platform::ERROR_FILE_NOT_FOUND:
      Run.ErrorText = "File not found: " + command_line;
      break;
    case platform::ERROR_PATH_NOT_FOUND:
      Run.ErrorText = "Path not found: " + command_line;
      break;
  }
}

void HandleSnapshot(std::string argument) {
  // Where letter case matters, so it does in file names.
  if (platform::LetterCaseMatters()) argument = AsWritten(argument);
  ScreenImage screen;
  CaptureScreen(screen);
  Run.CommandOk = writers::WriteWholeFile(StripQuotes(argument), ScreenText(screen));
  if (!Run.CommandOk) Run.ErrorText = "Error in snapshot command";
}

void HandleTitle(std::string argument) {
  std::string text = StripQuotes(argument);
  Run.CommandOk = platform::SetWindowTextA(Run.ConsoleWindow, text.c_str()) != 0;
}

void HandleSend(std::string argument) {
  std::string keys = StripQuotes(argument);
  try {
    Run.CommandOk = ActivateAndSendKeys(Run.ConsoleWindow, keys, true,
                                        static_cast<std::uint32_t>(Run.CharDelay));
  } catch (const BadRepeatCount& count) {
    RaiseConvertError(count.Text);  // ends the run: no pause, no next line
  }
  platform::Sleep(static_cast<platform::DWORD>(Run.LineDelay));
}

void HandleApp(std::string argument) {
  std::string title = StripQuotes(argument);
  if (ActivateWindowByTitle(title.c_str())) {
    Run.CommandOk = true;
    return;
  }
  Run.ErrorText = "Window not found: " + title;
}
