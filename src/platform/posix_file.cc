#include "platform/posix_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace platform {

std::uint32_t Win32ErrorFromErrno(int err) {
  switch (err) {
    case ENOENT: return 2;
    case ENOTDIR: return 3;
    case EMFILE:
    case ENFILE: return 4;
    case EACCES:
    case EPERM:
    case EISDIR: return 5;
    case EBADF: return 6;
    case ENOMEM: return 8;
    case EIO: return 30;
    case ENOSPC: return 39;
    case EPIPE: return 109;
    case ENOEXEC: return 193;
    case ENAMETOOLONG: return 206;
    case ELOOP: return 1921;
  }
  return 31;
}

namespace {

// Win32 says "path not found" when a folder on the way is missing and "file
// not found" only when the folder exists but the file does not.
bool ParentFolderExists(const std::string& path) {
  std::string::size_type slash = path.find_last_of('/');
  if (slash == std::string::npos) return true;  // the current folder
  std::string parent = slash == 0 ? "/" : path.substr(0, slash);
  struct stat st;
  return stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

int OpenForReading(const char* path, std::uint32_t* error, bool nonblocking) {
  if (path[0] == '\0') {
    *error = 3;
    return -1;
  }
  int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | (nonblocking ? O_NONBLOCK : 0));
  if (fd < 0) {
    int err = errno;
    *error = (err == ENOENT && !ParentFolderExists(path)) ? 3
                                                         : Win32ErrorFromErrno(err);
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

}  // namespace platform
