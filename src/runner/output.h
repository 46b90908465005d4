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

/// Forgets the output state (for a new run in the same process).
void ResetOutput();

#endif  // KLAVRUN_RUNNER_OUTPUT_H_
