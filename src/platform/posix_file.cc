#include "platform/posix_file.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/platform.h"

namespace platform {

std::uint32_t Win32ErrorFromErrno(int err) {
  switch (err) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EIO: return ERROR_READ_FAULT;
    case ENOSPC: return ERROR_HANDLE_DISK_FULL;
    case EPIPE: return ERROR_BROKEN_PIPE;
    case ENOEXEC: return ERROR_BAD_EXE_FORMAT;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ELOOP: return ERROR_CANT_RESOLVE_FILENAME;
  }
  return ERROR_GEN_FAILURE;
}

std::uint32_t MissingFileError(const std::string& path) {
  std::string::size_type slash = path.find_last_of('/');
  if (slash == std::string::npos) return 2;  // in the current folder
  std::string parent = slash == 0 ? "/" : path.substr(0, slash);
  struct stat st;
  return stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? 2 : 3;
}

int OpenForReading(const char* path, std::uint32_t* error, bool nonblocking) {
  if (path[0] == '\0') {
    *error = 3;
    return -1;
  }
  int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | (nonblocking ? O_NONBLOCK : 0));
  if (fd < 0) {
    int err = errno;
    *error = err == ENOENT ? MissingFileError(path) : Win32ErrorFromErrno(err);
    return -1;
  }
  // open() of a folder succeeds here; Win32 refuses it with "access denied".
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    close(fd);
    *error = 5;
    return -1;
  }
  return fd;
}

int CreateReplacement(const std::string& path, std::string* temporary, std::string* error) {
  struct stat st;
  if (lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    *error = S_ISLNK(st.st_mode) ? "a symbolic link is not followed" : "not a regular file";
    return -1;
  }
  const std::string::size_type slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string pattern = folder + "." + name + ".XXXXXX";
  // mkostemp creates with O_EXCL and mode 0600.
  int fd = mkostemp(&pattern[0], O_CLOEXEC);
  if (fd < 0) {
    *error = strerror(errno);
    return -1;
  }
  *temporary = pattern;
  return fd;
}

bool PutReplacement(const std::string& temporary, const std::string& path, std::string* error) {
  if (rename(temporary.c_str(), path.c_str()) == 0) return true;
  *error = strerror(errno);
  DiscardReplacement(temporary);
  return false;
}

void DiscardReplacement(const std::string& temporary) { unlink(temporary.c_str()); }

}  // namespace platform
