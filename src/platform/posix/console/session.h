// What klavrun's own process knows about where it runs: its standard
// output, the terminal it was started from, the person typing there, and
// the stop signals that end the run.
#ifndef KLAVRUN_PLATFORM_POSIX_CONSOLE_SESSION_H_
#define KLAVRUN_PLATFORM_POSIX_CONSOLE_SESSION_H_

#include <string>
#include <vector>

namespace posix {

/// Sets up the run and returns in the process that runs the script: the
/// console's session leader. The process that called it stays with the
/// caller, passes stop signals on and ends with the run's exit code.
void BeginSession();

/// True when standard output was open at start.
bool StdoutOpen();
/// True when standard output is a terminal.
bool StdoutIsTerminal();

/// The terminal klavrun was started from (for message boxes), or -1.
int CallerTerminal();

/// True when standard input is a terminal klavrun runs in the foreground
/// of: it is raw for the run, and what the person types there goes to the
/// console. False again while the job is in the background after a stop.
bool PersonAtTerminal();

/// --no-handover: programs still running when the script has ended are hung
/// up at once, as after a failure.
void RefuseHandOver();

/// Readable once a stop signal has arrived; poll it in every wait.
int StopSignalFd();

/// Ends the run when a stop signal has arrived (exit code 128 + signal).
void EndIfStopped();

/// Writes all of data to fd, waiting when it is non-blocking and full; false
/// with errno on failure.
bool WriteAll(int fd, const char* data, std::size_t length);

/// Writes all of data to standard output, after the console's output held
/// back, and records it when recording; false with errno on failure.
bool WriteStdout(const char* data, std::size_t length);

/// Writes all of data to standard output as it is: the console's output,
/// recorded when it was taken in. False with errno on failure.
bool WriteStdoutOnly(const char* data, std::size_t length);

/// Ends the run with exit_code without handing the console over: programs
/// still on it are hung up. `last_words` goes to standard error once the
/// console's last output has passed and the terminal has left the
/// programs' modes.
[[noreturn]] void EndRun(int exit_code, const std::string& last_words);

/// Writes all of data to standard error, after the console's output held
/// back on standard output, with carriage returns before line
/// feeds while the person's terminal is raw; false with errno on failure.
bool WriteStderr(const char* data, std::size_t length);

}  // namespace posix

#endif  // KLAVRUN_PLATFORM_POSIX_CONSOLE_SESSION_H_
