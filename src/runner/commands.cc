#include "runner/commands.h"

#include <cstring>

#include "keys/activate.h"
#include "keys/send_keys.h"
#include "platform/platform.h"
#include "platform/printable.h"
#include "runner/dispatch.h"
#include "runner/errors.h"
#include "runner/explain.h"
#include "runner/globals.h"
#include "runner/screen.h"
#include "text/integer.h"
#include "writers/whole_file.h"

namespace {

// Numbers for the delays: valid integer text and not negative, since a
// negative count would reach the system as a wait of weeks. A refused one
// is explained.
bool ParseMilliseconds(const std::string& text, std::int32_t* ms) {
  if (ParseInteger(text, ms) && *ms >= 0) return true;
  ExplainFailure(MillisecondsProblem(text, ArgumentAsWritten(text)));
  return false;
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
  if (Run.CommandOk)
    Run.WaitTimeoutFrom = "#define wait_timeout " + Printable(ArgumentAsWritten(argument));
}

void HandleStart(std::string argument) {
  if (platform::LetterCaseMatters()) argument = ArgumentAsWritten(argument);
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
  const platform::DWORD code = platform::GetLastError();
  switch (code) {
    case platform::ERROR_FILE_NOT_FOUND:
      Run.ErrorText = "File not found: " + command_line;
      break;
    case platform::ERROR_PATH_NOT_FOUND:
      Run.ErrorText = "Path not found: " + command_line;
      break;
    case platform::ERROR_TOO_MANY_OPEN_FILES:
      Run.ErrorText = "Too many open files: " + command_line;
      break;
  }
  if (command_line.find_first_not_of(" \t") == std::string::npos)
    ExplainFailure(kNoProgram);
  else
    ExplainFailure("cannot start " + Quoted(command_line) + ": " + SystemErrorText(code));
}

void HandleSnapshot(std::string argument) {
  // Where letter case matters, so it does in file names.
  if (platform::LetterCaseMatters()) argument = ArgumentAsWritten(argument);
  ScreenImage screen;
  CaptureScreen(screen);
  const std::string path = StripQuotes(argument);
  Run.CommandOk = writers::WriteWholeFile(path, ScreenText(screen));
  if (Run.CommandOk) return;
  Run.ErrorText = "Error in snapshot command";
  ExplainFailure("cannot write the snapshot " + Quoted(path) + ": " +
                 SystemErrorText(platform::GetLastError()));
}

void HandleTitle(std::string argument) {
  std::string text = StripQuotes(argument);
  Run.CommandOk = platform::SetWindowTextA(Run.ConsoleWindow, text.c_str()) != 0;
  if (!Run.CommandOk) ExplainFailure("the console window's title cannot be set");
}

namespace {

// The column of the send's first key in the line as written; 0: unknown.
std::size_t keys_column = 0;

// A key form the send cannot type, before its message box: where it is.
void ExplainKeyForm(std::size_t start, const std::string& problem) {
  ExplainNow(problem, keys_column == 0 ? 0 : static_cast<int>(keys_column + start));
}

}  // namespace

void HandleSend(std::string argument) {
  std::string keys = StripQuotes(argument);
  const std::size_t column = ArgumentColumn(argument);
  keys_column = column == 0 ? 0 : column + 1;
  try {
    Run.CommandOk = ActivateAndSendKeys(Run.ConsoleWindow, keys, true,
                                        static_cast<std::uint32_t>(Run.CharDelay),
                                        ExplainKeyForm);
  } catch (const BadRepeatCount& count) {
    RaiseConvertError(count.Text);  // ends the run: no pause, no next line
  }
  // A "{" never closed has said so already.
  if (!Run.CommandOk && !Run.WhyWritten)
    ExplainFailure(keys.c_str()[0] == '\0' ? kNothingToSend
                                           : "the console window cannot be brought to the front");
  platform::Sleep(static_cast<platform::DWORD>(Run.LineDelay));
}

void HandleApp(std::string argument) {
  std::string title = StripQuotes(argument);
  if (ActivateWindowByTitle(title.c_str())) {
    Run.CommandOk = true;
    return;
  }
  Run.ErrorText = "Window not found: " + title;
  ExplainFailure("no window's title is " + Quoted(StripQuotes(ArgumentAsWritten(argument))) +
                 " or starts with it");
}
