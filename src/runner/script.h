// Reading the script: one line at a time, with the line-end rules of the
// script format (CR or CR LF ends a line, Ctrl-Z ends the script).
#ifndef KLAVRUN_RUNNER_SCRIPT_H_
#define KLAVRUN_RUNNER_SCRIPT_H_

#include <string>

/// Opens Run.ScriptFile for reading. Raises EInOutError when it cannot.
void OpenScript(const std::string& path);

/// Closes Run.ScriptFile when it is open.
void CloseScript();

/// True when no byte is left or the next byte is a Ctrl-Z. Consumes nothing.
bool ScriptAtEnd();

/// Counts the line in Run.LineNumber and returns it normalised; an empty
/// line at the end of the script.
std::string ReadScriptLine();

/// ASCII letters to lower case, then bytes 0x20 and below trimmed off both
/// ends. Every other byte keeps its value.
std::string NormaliseLine(std::string line);

#endif  // KLAVRUN_RUNNER_SCRIPT_H_
