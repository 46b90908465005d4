// klavrun.exe's entry: the raw command line goes to the core's splitter.
#include "platform/platform.h"
#include "runner/main.h"

namespace {

// The console's screen buffer holds no byte stream to record.
std::string RecordingUnavailable(const std::string&, const std::string&) {
  return "klavrun: --record is not available on Windows";
}

}  // namespace

int main() {
  OnRecord = RecordingUnavailable;
  // A console may create its window only at the program's first console
  // call, and start-up looks for that window by its title: make the call
  // before start-up runs.
  platform::GetConsoleWindow();
  ProgramEntry(SplitCommandLine(platform::GetCommandLineA()));
}
