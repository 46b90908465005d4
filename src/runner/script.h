// Reading the script: one line at a time. CR, LF and CR LF each end a line;
// a Ctrl-Z ends the script; a UTF-8 byte-order mark at the start is skipped.
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
/// line at the end of the script. Run.LineAsWritten keeps its bytes as
/// written. A line longer than 64 MiB is not read to its end: it comes back
/// empty with Run.LineTooLong set, and must fail.
std::string ReadScriptLine();

/// True when the script starts with a UTF-16 byte-order mark.
bool ScriptIsUtf16();

/// ASCII letters to lower case, then bytes 0x20 and below trimmed off both
/// ends. Every other byte keeps its value.
std::string NormaliseLine(std::string line);

#endif  // KLAVRUN_RUNNER_SCRIPT_H_
