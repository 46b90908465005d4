// klavcheck's judgement of a script: every line read with the runner's own
// reader and classifier, every send argument with the sender's own key-form
// reader, so what it finds is what klavrun would do.
#ifndef KLAVRUN_TOOLS_CHECK_SCRIPT_H_
#define KLAVRUN_TOOLS_CHECK_SCRIPT_H_

#include <string>

#include "platform/platform.h"
#include <vector>

struct Finding {
  int Line = 0;
  int Column = 0;  // bytes from 1 in the line as written
  bool Error = false;  // else a warning
  std::string Message;
};

struct CheckSettings {
  /// The screen's width in cells: a longer condition is never found.
  int ScreenColumns = platform::kClassicColumns;
  /// Why a start command line's program cannot be started here ("" when it
  /// can); null where nothing is looked up.
  std::string (*ProgramProblem)(const std::string& command_line) = nullptr;
};

/// Reads the script open in Run.ScriptFile to its end and returns what it
/// finds, by line and column. Raises what the reader raises (EInOutError).
std::vector<Finding> CheckOpenScript(const CheckSettings& settings);

#endif  // KLAVRUN_TOOLS_CHECK_SCRIPT_H_
