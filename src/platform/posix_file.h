// Opening the script on POSIX systems with the error codes Win32 would give.
// Shared by the posix platform and klavtrace.
#ifndef KLAVRUN_PLATFORM_POSIX_FILE_H_
#define KLAVRUN_PLATFORM_POSIX_FILE_H_

#include <cstdint>

namespace platform {

/// The Win32 error code closest to an errno value (EPIPE is 109, the
/// broken pipe; EACCES 5, ...); 31 (a general failure) when none fits.
std::uint32_t Win32ErrorFromErrno(int err);

/// Opens a regular file for reading, close-on-exec. Returns the descriptor,
/// or -1 with *error set as CreateFileA would: 2 for a missing file, 3 when
/// a folder on the way does not exist, 5 for a folder or no permission,
/// 4 when the process has too many files open. With `nonblocking`, the open
/// never waits (for a FIFO's writer, say) and reads may answer EAGAIN.
int OpenForReading(const char* path, std::uint32_t* error, bool nonblocking = false);

}  // namespace platform

#endif  // KLAVRUN_PLATFORM_POSIX_FILE_H_
