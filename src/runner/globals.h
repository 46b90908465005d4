// The run state: one instance, filled at start-up, read and written by the
// runner's procedures and the command handlers.
#ifndef KLAVRUN_RUNNER_GLOBALS_H_
#define KLAVRUN_RUNNER_GLOBALS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

enum CommandKind : std::uint8_t {
  ckInvalid = 0,
  ckDelay = 1,
  ckApp = 2,
  ckStart = 3,
  ckWhileNotExists = 4,
  ckWhileExists = 5,
  ckSend = 6,
  ckRem = 7,
  ckTitle = 8,
  ckIfExists = 9,
  ckCharDelay = 10,
  ckLineDelay = 11,
  ckWaitTimeout = 12,
  ckSettle = 13,
  ckSendEnv = 14,
  ckSnapshot = 15,
};

/// How a run ends.
constexpr unsigned kExitDone = 0;         // the script ran to its end; usage
constexpr unsigned kExitUnhandled = 1;    // the unhandled-error report
constexpr unsigned kExitLineFailed = 2;   // a line failed; bad options

/// The script: one handle, one read position, read through a small buffer.
struct ScriptStream {
  platform::HANDLE Handle = 0;
  bool IsOpen = false;
  bool AtEof = false;  // the file has no more bytes to give
  bool StartChecked = false;  // the byte-order mark looked for
  bool Utf16 = false;
  char Buffer[4096];
  std::size_t Pos = 0;  // next unread byte in Buffer
  std::size_t Len = 0;  // bytes held in Buffer
};

struct RunState {
  ScriptStream ScriptFile;
  /// The script's path as given, for the lines on standard error.
  std::string ScriptName;
  std::int32_t LineNumber = 0;
  /// The line read last, as written: no line end, letter case kept.
  std::string LineAsWritten;
  bool LineTooLong = false;
  bool CommandOk = false;
  std::string ErrorText;
  std::int32_t LineDelay = 0;
  /// Pause after every key typed by a send; set by #define char_delay.
  std::int32_t CharDelay = 0;
  /// Longest a while loop may wait, in milliseconds; 0: no limit. Set by
  /// --timeout and #define wait_timeout.
  std::uint32_t WaitTimeout = 0;
  /// Where that limit was set, as written: "--timeout 30",
  /// "#define wait_timeout 30000".
  std::string WaitTimeoutFrom;
  /// Why the run fails, as the line for standard error; written once.
  std::string Why;
  bool WhyWritten = false;
  /// --trace: each line told on standard error as it starts.
  bool Trace = false;
  std::uint64_t StartedAt = 0;  // the clock at start, read under --trace
  /// The run loop has begun: a failure from here on shows the screen.
  bool LoopStarted = false;
  /// The values sendenv typed: no picture of the screen shows them.
  std::vector<std::string> Secrets;
  platform::HWND ConsoleWindow = 0;
  platform::HANDLE StdOutHandle = 0;
  platform::HANDLE StdInHandle = 0;
};

extern RunState Run;

/// Back to the state at program start: everything zero, empty or closed.
void ResetRunState();

#endif  // KLAVRUN_RUNNER_GLOBALS_H_
