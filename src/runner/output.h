// What klavrun itself writes: to standard output only, lines ended by CR LF,
// written at once on a console and held until the end otherwise.
#ifndef KLAVRUN_RUNNER_OUTPUT_H_
#define KLAVRUN_RUNNER_OUTPUT_H_

#include <string>

/// Writes `text` and CR LF. Raises EInOutError when standard output fails.
void WriteOutputLine(const std::string& text);

/// Writes bytes as they are.
void WriteOutput(const std::string& bytes);

/// Writes out whatever is held. Raises EInOutError when that fails.
void FlushOutput();

/// Writes out whatever is held, then bytes: a report of how the run ended.
/// When standard output cannot take it (closed, a pipe nobody reads, a full
/// device), it goes to standard error instead, so that it is seen all the
/// same. Never raises.
void WriteReport(const std::string& bytes);

/// Writes bytes to standard error at once, as they are. Failures are
/// ignored: standard error is where klavrun says what went wrong, and has
/// nowhere else to say that it failed.
void WriteErrorOutput(const std::string& bytes);

/// Forgets the output state (for a new run in the same process).
void ResetOutput();

#endif  // KLAVRUN_RUNNER_OUTPUT_H_
