// The errors that no command handles: they end the run with the report
// "Exception <ClassName> in module ... <Message>." and exit code 1.
#ifndef KLAVRUN_RUNNER_ERRORS_H_
#define KLAVRUN_RUNNER_ERRORS_H_

#include <string>

#include "platform/platform.h"

/// An error raised out of a command or the script's reading.
struct RaisedError {
  std::string ClassName;
  std::string Message;
  std::string Why;  // for standard error, after the program's name; "" for none
};

/// A failure of the script file or of standard output, by Win32 error code;
/// `why` says what failed, for standard error.
[[noreturn]] void RaiseInOutError(platform::DWORD code, const std::string& why = "");

/// Text that is no integer, as a key string's repeat count.
[[noreturn]] void RaiseConvertError(const std::string& text);

/// The message of an I/O failure: "File not found", ..., "I/O error N".
std::string InOutErrorMessage(platform::DWORD code);

#endif  // KLAVRUN_RUNNER_ERRORS_H_
