// klavrun.exe's entry: the raw command line goes to the core's splitter.
#include "platform/win32/console.h"
#include "runner/main.h"

namespace {

// Every program on a console gets a typed Ctrl+C, klavrun too: a `send "^c"`
// meant for a started program must not end the run. A handler rather than
// ignoring the event outright, which started programs would inherit;
// Ctrl+Break and closing the window still end klavrun.
::BOOL WINAPI IgnoreCtrlC(::DWORD event) { return event == CTRL_C_EVENT; }

// The console's screen buffer holds no byte stream to record.
std::string RecordingUnavailable(const std::string&, const std::string&) {
  return "klavrun: --record is not available on Windows";
}

// The console keeps the size it has: its programs draw in the window they
// find. Said on standard error unless that is the console itself, where it
// would land on the screen the waits read.
std::string SizeIgnored(int, int) {
  ::DWORD mode = 0;
  if (::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode)) return "";
  return "klavrun: --size is ignored on Windows: the console keeps its own size";
}

}  // namespace

int main() {
  OnRecord = RecordingUnavailable;
  OnSize = SizeIgnored;
  // A console may create its window only at the program's first console
  // call, and start-up looks for that window by its title: make the call
  // before start-up runs.
  platform::GetConsoleWindow();
  platform::win32::OpenConsole();
  ::SetConsoleCtrlHandler(IgnoreCtrlC, TRUE);
  ProgramEntry(SplitCommandLine(platform::GetCommandLineA()));
}
