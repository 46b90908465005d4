// Program entry: what each platform's main() hands its arguments to.
#ifndef KLAVRUN_RUNNER_MAIN_H_
#define KLAVRUN_RUNNER_MAIN_H_

#include <cstdint>
#include <string>
#include <vector>

#include "runner/arguments.h"

/// What the command line asks for: OPTIONS SCRIPT, options first.
struct Options {
  bool AnyOption = false;  // without any (or "--"), one argument is the script
  bool Help = false;
  bool Version = false;
  std::int64_t TimeoutMs = -1;  // --timeout; -1 when not given
  std::string TimeoutText;      // its value as given
  bool Record = false;
  std::string RecordPath;
  bool Trace = false;
  bool HandOver = true;  // --no-handover: false
  bool Junit = false;
  std::string JunitPath;
  int Columns = 0, Rows = 0;  // --size; 0 when not given
  std::vector<std::string> Scripts;  // what follows the options
};

/// klavrun's options: --help (-h), --version, --timeout DURATION, --record
/// FILE, --junit FILE, --size COLSxROWS, --trace, --no-handover.
extern const std::vector<OptionRule> kKlavrunOptions;

/// Sets what one of klavrun's options asks for; false with a one-line
/// message for a bad duration.
bool ApplyOption(const GivenOption& given, Options* options, std::string* error);

/// Reads the options before the script (see ReadArguments). False with a
/// one-line message for an unknown option, a missing value or a bad duration.
bool ParseOptions(const std::vector<std::string>& args, Options* options, std::string* error);

/// The console sizes --size takes: 20 x 5 to 500 x 200.
constexpr int kMinColumns = 20, kMaxColumns = 500, kMinRows = 5, kMaxRows = 200;

/// COLSxROWS within those bounds, such as 132x43.
bool ParseSize(const std::string& text, int* columns, int* rows);

/// A number with an optional unit: ms, s (the default) or m; whole numbers
/// only, at most 2147483647 ms.
bool ParseDuration(const std::string& text, std::int64_t* ms);

/// The name messages about options start with ("klavrun").
extern const char* EntryProgramName;

/// Runs klavrun with the arguments that follow the program name, and ends
/// the process through platform::ExitProcess with the exit code.
[[noreturn]] void ProgramEntry(const std::vector<std::string>& args);

/// Runs klavrun with options already read (klavtrace reads its own).
[[noreturn]] void RunWithOptions(const Options& options);

/// Hooks a program sets before ProgramEntry for what only some platforms do.
/// --record FILE: starts recording the console session into `path` before
/// any line runs; returns "" when it began, else the one-line message to
/// print (klavrun then exits 2). Null: --record is not available.
using RecordHook = std::string (*)(const std::string& path,
                                   const std::string& script_name);
extern RecordHook OnRecord;
/// --size COLSxROWS: sizes the console before any line runs (and before
/// --record writes its header); returns a note for standard error, or "".
/// Null: --size is not available.
using SizeHook = std::string (*)(int columns, int rows);
extern SizeHook OnSize;
/// Called as each script line starts (body lines of while and if too), with
/// its number and the line as written in the script (no line end, case
/// kept). Null: nobody listens.
using LineStartedHook = void (*)(int number, const std::string& line);
extern LineStartedHook OnLineStarted;
/// --no-handover: programs still running when the script has ended are
/// hung up at once. Null where nothing is handed over.
using NoHandOverHook = void (*)();
extern NoHandOverHook OnNoHandOver;

/// Splits a raw Win32 command line (program name first) into arguments by
/// the Windows rules: blanks and control characters separate, double quotes
/// group and are dropped, a pair of quotes before an argument is skipped,
/// and counting stops at the first empty argument. The program name is
/// dropped from the result.
std::vector<std::string> SplitCommandLine(const char* command_line);

#endif  // KLAVRUN_RUNNER_MAIN_H_
