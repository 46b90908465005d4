// Files and standard handles. The script is a real file, and so are the
// reports klavrun writes about a run (new files, renamed into place); the standard
// handles are the console's, and what klavrun writes to its standard
// output handle goes to klavrun's real standard output, never into the
// console.
#include <errno.h>
#include <fcntl.h>
#include <time.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "platform/platform.h"
#include "platform/posix/console/console.h"
#include "platform/posix/console/session.h"
#include "platform/posix/handles.h"
#include "platform/posix_file.h"

namespace posix {
namespace {

platform::DWORD last_error = 0;
// Descriptors CreateFileA gave out, and whether reads must wait for them
// (anything but a regular file: a FIFO, a pipe, a terminal).
std::map<int, bool> open_files;

bool IsFile(platform::HANDLE handle, int* fd) {
  if ((handle & kKindMask) != kFileBase) return false;
  *fd = static_cast<int>(handle & ~kKindMask);
  return open_files.count(*fd) != 0;
}

// The person's terminal is raw for the run: a line feed on its own would
// no longer return the carriage, as the terminal did for klavrun's reports.
std::string WithCarriageReturns(const char* data, std::size_t length) {
  std::string lines;
  for (std::size_t i = 0; i < length; ++i) {
    if (data[i] == '\n' && (i == 0 || data[i - 1] != '\r')) lines += '\r';
    lines += data[i];
  }
  return lines;
}

// What klavrun writes about a run (a report) may hold what was typed: a new
// file for its owner alone, never made through a link someone planted.
platform::HANDLE CreateNewFile(const char* name, platform::DWORD disposition) {
  if (name == nullptr || disposition != platform::CREATE_NEW) {
    last_error = platform::ERROR_INVALID_PARAMETER;
    return platform::INVALID_HANDLE_VALUE;
  }
  int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
  if (fd < 0) {
    last_error = errno == ENOENT ? platform::MissingFileError(name)
                                 : platform::Win32ErrorFromErrno(errno);
    return platform::INVALID_HANDLE_VALUE;
  }
  open_files[fd] = false;
  return kFileBase | static_cast<platform::HANDLE>(fd);
}

}  // namespace

void SetLastError(platform::DWORD error) { last_error = error; }

}  // namespace posix

namespace platform {

DWORD GetLastError() { return posix::last_error; }

void SetLastError(DWORD error) { posix::last_error = error; }

DWORD GetModuleFileNameA(HANDLE module, char* filename, DWORD size) {
  (void)module;
  char path[4096];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length < 0) {
    posix::SetLastError(Win32ErrorFromErrno(errno));
    return 0;
  }
  if (size == 0) return 0;
  DWORD count = static_cast<DWORD>(length);
  if (count >= size) {
    count = size - 1;  // truncated, as Win32 does
    posix::SetLastError(122);  // ERROR_INSUFFICIENT_BUFFER
  }
  std::memcpy(filename, path, count);
  filename[count] = '\0';
  return count;
}

HANDLE GetStdHandle(DWORD which) {
  if (which == STD_INPUT_HANDLE) return posix::kConsoleInput;
  if (which == STD_OUTPUT_HANDLE) return posix::kConsoleOutput;
  if (which == STD_ERROR_HANDLE) return posix::kCallerError;
  posix::SetLastError(ERROR_INVALID_HANDLE);
  return INVALID_HANDLE_VALUE;
}

HANDLE CreateFileA(const char* name, DWORD access, DWORD share, void* security,
                   DWORD disposition, DWORD flags, HANDLE template_file) {
  (void)share, (void)security, (void)flags, (void)template_file;
  if (access & GENERIC_WRITE) return posix::CreateNewFile(name, disposition);
  std::uint32_t error = 0;
  // Opened without waiting, so that a FIFO with no writer yet is waited
  // for where stop signals are heard.
  int fd = name != nullptr ? OpenForReading(name, &error, true) : -1;
  if (name == nullptr) error = ERROR_FILE_NOT_FOUND;
  if (fd < 0) {
    posix::SetLastError(error);
    return INVALID_HANDLE_VALUE;
  }
  struct stat st;
  posix::open_files[fd] = fstat(fd, &st) != 0 || !S_ISREG(st.st_mode);
  return posix::kFileBase | static_cast<HANDLE>(fd);
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD to_read, DWORD* read_count,
              void* overlapped) {
  (void)overlapped;
  if (read_count != nullptr) *read_count = 0;
  int fd;
  if (!posix::IsFile(file, &fd)) {
    posix::SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  // A script that never ends (/dev/zero) still hears stop signals.
  posix::EndIfStopped();
  // Readable first: a FIFO whose writer has not come yet reads as its end.
  if (posix::open_files[fd]) posix::WaitReadable(fd);
  ssize_t n;
  for (;;) {
    n = read(fd, buffer, to_read);
    if (n >= 0 || (errno != EINTR && errno != EAGAIN)) break;
    if (errno == EAGAIN) posix::WaitReadable(fd);
    posix::EndIfStopped();
  }
  if (n < 0) {
    posix::SetLastError(Win32ErrorFromErrno(errno));
    return 0;
  }
  if (read_count != nullptr) *read_count = static_cast<DWORD>(n);
  return 1;
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD to_write,
               DWORD* written, void* overlapped) {
  (void)overlapped;
  if (written != nullptr) *written = 0;
  if (file == posix::kCallerError) {
    if (!posix::WriteStderr(static_cast<const char*>(buffer), to_write)) {
      posix::SetLastError(Win32ErrorFromErrno(errno));
      return 0;
    }
    if (written != nullptr) *written = to_write;
    return 1;
  }
  int fd;
  if (posix::IsFile(file, &fd)) {
    if (!posix::WriteAll(fd, static_cast<const char*>(buffer), to_write)) {
      posix::SetLastError(Win32ErrorFromErrno(errno));
      return 0;
    }
    if (written != nullptr) *written = to_write;
    return 1;
  }
  if (file != posix::kConsoleOutput) {
    posix::SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  const char* bytes = static_cast<const char*>(buffer);
  std::string lines;
  std::size_t length = to_write;
  if (posix::PersonAtTerminal() && posix::StdoutIsTerminal()) {
    lines = posix::WithCarriageReturns(bytes, length);
    bytes = lines.data();
    length = lines.size();
  }
  if (!posix::WriteStdout(bytes, length)) {
    posix::SetLastError(errno == EBADF ? ERROR_INVALID_HANDLE
                                       : Win32ErrorFromErrno(errno));
    return 0;
  }
  if (written != nullptr) *written = to_write;
  return 1;
}

BOOL CloseHandle(HANDLE handle) {
  int fd;
  if (posix::IsFile(handle, &fd)) {
    posix::open_files.erase(fd);
    if (close(fd) != 0) {  // what was written may not have reached the disk
      posix::SetLastError(Win32ErrorFromErrno(errno));
      return 0;
    }
    return 1;
  }
  HANDLE kind = handle & posix::kKindMask;
  // Process handles and the console's own need no closing: children are
  // reaped as they end.
  if (handle == posix::kConsoleInput || handle == posix::kConsoleOutput ||
      handle == posix::kCallerError ||
      (handle != 0 && (kind == posix::kProcessBase || kind == posix::kThreadBase)))
    return 1;
  posix::SetLastError(ERROR_INVALID_HANDLE);
  return 0;
}

BOOL MoveFileExA(const char* existing, const char* new_name, DWORD flags) {
  struct stat st;
  if (!(flags & MOVEFILE_REPLACE_EXISTING) && lstat(new_name, &st) == 0) {
    posix::SetLastError(ERROR_FILE_EXISTS);
    return 0;
  }
  if (rename(existing, new_name) != 0) {
    posix::SetLastError(Win32ErrorFromErrno(errno));
    return 0;
  }
  return 1;
}

BOOL DeleteFileA(const char* name) {
  if (unlink(name) != 0) {
    posix::SetLastError(Win32ErrorFromErrno(errno));
    return 0;
  }
  return 1;
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

DWORD GetFileType(HANDLE file) {
  int fd;
  if (file == posix::kConsoleOutput) {
    if (!posix::StdoutOpen()) {
      posix::SetLastError(ERROR_INVALID_HANDLE);
      return FILE_TYPE_UNKNOWN;
    }
    fd = STDOUT_FILENO;
  } else if (file == posix::kConsoleInput) {
    return FILE_TYPE_CHAR;
  } else if (file == posix::kCallerError) {
    fd = STDERR_FILENO;
  } else if (!posix::IsFile(file, &fd)) {
    posix::SetLastError(ERROR_INVALID_HANDLE);
    return FILE_TYPE_UNKNOWN;
  }
  struct stat st;
  if (fstat(fd, &st) != 0) {
    posix::SetLastError(Win32ErrorFromErrno(errno));
    return FILE_TYPE_UNKNOWN;
  }
  if (S_ISCHR(st.st_mode)) return FILE_TYPE_CHAR;
  if (S_ISREG(st.st_mode) || S_ISBLK(st.st_mode)) return FILE_TYPE_DISK;
  if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) return FILE_TYPE_PIPE;
  return FILE_TYPE_UNKNOWN;
}

}  // namespace platform

namespace platform {

BOOL GetConsoleMode(HANDLE handle, DWORD* mode) {
  bool console = handle == posix::kConsoleInput || handle == posix::kConsoleOutput;
  if (mode != nullptr) *mode = console ? 3 : 0;
  if (!console) posix::SetLastError(ERROR_INVALID_HANDLE);
  return console ? 1 : 0;
}

std::uint64_t GetTickCount64() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000 +
         static_cast<std::uint64_t>(now.tv_nsec) / 1000000;
}

}  // namespace platform
