// Message boxes go to the person at the terminal klavrun was started from,
// not to the console the programs share. With nobody to close the box, the
// message goes to standard error and the run goes on.
#include <errno.h>
#include <unistd.h>

#include <string>

#include "platform/platform.h"
#include "platform/posix/console/console.h"
#include "platform/posix/console/session.h"

namespace platform {

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
  (void)owner, (void)type;
  std::string message = std::string(caption != nullptr ? caption : "") + ": " +
                        (text != nullptr ? text : "");
  posix::PassOutput();
  int terminal = posix::CallerTerminal();
  if (terminal < 0) {
    message += '\n';
    ssize_t ignored = write(STDERR_FILENO, message.data(), message.size());
    (void)ignored;
    return 1;
  }
  message = "\r\n[" + message + "]  press Enter ";
  if (write(terminal, message.data(), message.size()) < 0) return 1;
  // The box reads the person's keys itself until its Enter.
  posix::PauseRelay(true);
  for (;;) {
    // Programs on the console keep running while the box is open.
    posix::WaitReadable(terminal);
    char byte;
    ssize_t n = read(terminal, &byte, 1);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0 || byte == '\n' || byte == '\r') break;  // closed, or Enter
  }
  posix::PauseRelay(false);
  return 1;
}

}  // namespace platform
