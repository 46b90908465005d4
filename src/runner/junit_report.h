// --junit FILE: the run's JUnit report. Its file is made beside FILE when
// the run begins, so that a name that cannot be written fails before
// anything runs, and renamed to FILE at the end, however the run ends, so
// that a reader never sees half of it.
#ifndef KLAVRUN_RUNNER_JUNIT_REPORT_H_
#define KLAVRUN_RUNNER_JUNIT_REPORT_H_

#include <string>

/// Makes the report's new file beside `path` and starts the run's clock.
/// "" when it was made, else the one-line message saying why not.
std::string BeginJunitReport(const std::string& path, const std::string& script);

/// Writes the report of a run that ends with `exit_code` (`unhandled`: the
/// message of the error that ended it, if one did) and renames it to its
/// name. Returns the exit code to end with: a run that passed but whose
/// report could not be written fails (2), after a line on standard error.
/// Nothing happens, and `exit_code` is returned, when no report was begun.
unsigned EndJunitReport(unsigned exit_code, const std::string& unhandled);

/// The failure's explanation line, FILE:LINE: error: TEXT (FILE: error:
/// TEXT before the script's first line).
std::string FailureExplanationLine(unsigned exit_code, const std::string& unhandled);

#endif  // KLAVRUN_RUNNER_JUNIT_REPORT_H_
