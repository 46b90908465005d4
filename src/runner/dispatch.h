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

#endif  // KLAVRUN_RUNNER_DISPATCH_H_
