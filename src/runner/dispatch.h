// Carrying out one classified line through the table of handlers.
#ifndef KLAVRUN_RUNNER_DISPATCH_H_
#define KLAVRUN_RUNNER_DISPATCH_H_

#include <string>

#include "runner/globals.h"

/// Runs the handler of `kind` on its own copy of the argument. The outcome
/// is in Run.CommandOk and Run.ErrorText; raised errors pass through.
void ExecuteCommand(CommandKind kind, std::string argument);

/// Drops the first and then the last character, whatever they are.
std::string StripQuotes(const std::string& text);

/// Where `argument` starts in the line read last (Run.LineAsWritten), from
/// 1; 0 when that line is not the one it came from.
std::size_t ArgumentColumn(const std::string& argument);

/// The argument as the script wrote it: the same bytes but for letter case,
/// or `argument` itself when ArgumentColumn does not find it.
std::string ArgumentAsWritten(const std::string& argument);

#endif  // KLAVRUN_RUNNER_DISPATCH_H_
