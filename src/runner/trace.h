// --trace: the run told on standard error as it goes, one plain line at a
// time (the programs' output shares the terminal, so nothing is redrawn):
//   calc.klav:5 +1.204s while not exists ">>>"
#ifndef KLAVRUN_RUNNER_TRACE_H_
#define KLAVRUN_RUNNER_TRACE_H_

#include <cstdint>
#include <string>

/// A script line starts: its number and the line as written.
void TraceLine(int number, const std::string& written);

/// A wait of line `line`, begun at `started` on the clock, looks again: every
/// 10 s it goes on, one line says so ("still waiting for ">>>" (20 s)").
/// `what` follows "waiting"; `notes` counts the lines said so far.
void TraceWaiting(int line, const std::string& what, std::uint64_t started, int* notes);

#endif  // KLAVRUN_RUNNER_TRACE_H_
