// klavrun.exe's entry: the raw command line goes to the core's splitter.
#include "platform/platform.h"
#include "runner/main.h"

int main() {
  // A console may create its window only at the program's first console
  // call, and start-up looks for that window by its title: make the call
  // before start-up runs.
  platform::GetConsoleWindow();
  ProgramEntry(SplitCommandLine(platform::GetCommandLineA()));
}
