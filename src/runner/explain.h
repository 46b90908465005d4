// Why a run fails, in the words klavrun writes on standard error and
// klavcheck prints: one place for both, so that the two never disagree.
// klavrun's lines take klavcheck's form, FILE:LINE[:COLUMN]: error: TEXT.
#ifndef KLAVRUN_RUNNER_EXPLAIN_H_
#define KLAVRUN_RUNNER_EXPLAIN_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/platform.h"

extern const char kLineTooLong[];     // also the report on standard output
extern const char kScriptIsUtf16[];   // also the report on standard output
extern const char kEmptyCondition[];
extern const char kNothingToSend[];
extern const char kNoProgram[];

/// Why a line (as the script holds it) is no command, and the offset in it
/// of the byte where it goes wrong.
std::string WhyNoCommand(const std::string& written, std::size_t* offset);

/// Why a number of milliseconds is refused, "" when it is not; `written` is
/// the number as the script writes it.
std::string MillisecondsProblem(const std::string& argument, const std::string& written);

/// A system error code in words: "no such file".
std::string SystemErrorText(platform::DWORD code);

/// `cannot open "FILE": no such file`.
std::string CannotOpen(const std::string& path, platform::DWORD code);

/// A limit in words: "30 s", "1500 ms".
std::string DurationText(std::uint32_t ms);

/// "FILE:LINE" of the script being run.
std::string ScriptPlace(int line);

/// Keeps why the run fails, to be written by WriteExplanation: an error at
/// `line` (the line being run when 0) and `column` (none when 0).
void ExplainFailure(const std::string& text, int column = 0, int line = 0);

/// Writes an error line at once (a key a message box refuses), and keeps it
/// as why the line fails when it does.
void ExplainNow(const std::string& text, int column);

/// Writes a warning line at once.
void WarnNow(const std::string& text, int line);

/// Writes what was kept, once, to standard error.
void WriteExplanation();

#endif  // KLAVRUN_RUNNER_EXPLAIN_H_
