#include "tools/record_script.h"

#include <errno.h>
#include <unistd.h>

#include "platform/posix_file.h"

void LoadScript(const std::string& path, record::World& world) {
  std::uint32_t error = 0;
  int fd = platform::OpenForReading(path.c_str(), &error);
  if (fd < 0) {
    world.OpenErrors[path] = error;
    return;
  }
  record::File file;
  char buf[65536];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n > 0) {
      file.Content.append(buf, static_cast<std::size_t>(n));
    } else {
      if (n < 0) file.ReadError = platform::Win32ErrorFromErrno(errno);
      break;
    }
  }
  close(fd);
  world.Files[path] = file;
}
