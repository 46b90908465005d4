// Program entry: what each platform's main() hands its arguments to.
#ifndef KLAVRUN_RUNNER_MAIN_H_
#define KLAVRUN_RUNNER_MAIN_H_

#include <string>
#include <vector>

/// Runs klavrun with the arguments that follow the program name, and ends
/// the process through platform::ExitProcess with the exit code.
[[noreturn]] void ProgramEntry(const std::vector<std::string>& args);

/// Hooks a program sets before ProgramEntry for what only some platforms do.
/// --record FILE: starts recording the console session into `path` before
/// any line runs; returns "" when it began, else the one-line message to
/// print (klavrun then exits 2). Null: --record is not available.
using RecordHook = std::string (*)(const std::string& path,
                                   const std::string& script_name);
extern RecordHook OnRecord;
/// Called as each script line starts (body lines of while and if too), with
/// its number and the line as written in the script (no line end, case
/// kept). Null: nobody listens.
using LineStartedHook = void (*)(int number, const std::string& line);
extern LineStartedHook OnLineStarted;

/// Splits a raw Win32 command line (program name first) into arguments by
/// the Windows rules: blanks and control characters separate, double quotes
/// group and are dropped, a pair of quotes before an argument is skipped,
/// and counting stops at the first empty argument. The program name is
/// dropped from the result.
std::vector<std::string> SplitCommandLine(const char* command_line);

#endif  // KLAVRUN_RUNNER_MAIN_H_
