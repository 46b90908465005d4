// Files on POSIX systems: opening the script with the error codes Win32
// would give, and creating the files klavrun writes. Shared by the posix
// platform and klavtrace.
#ifndef KLAVRUN_PLATFORM_POSIX_FILE_H_
#define KLAVRUN_PLATFORM_POSIX_FILE_H_

#include <cstdint>
#include <string>

namespace platform {

/// The Win32 error code closest to an errno value (EPIPE is 109, the
/// broken pipe; EACCES 5, ...); 31 (a general failure) when none fits.
std::uint32_t Win32ErrorFromErrno(int err);

/// Why a path that does not exist is missing, as Win32 says it: 3 (path not
/// found) when a folder on the way is missing, else 2 (file not found).
std::uint32_t MissingFileError(const std::string& path);

/// Opens a regular file for reading, close-on-exec. Returns the descriptor,
/// or -1 with *error set as CreateFileA would: 2 for a missing file, 3 when
/// a folder on the way does not exist, 5 for a folder or no permission,
/// 4 when the process has too many files open. With `nonblocking`, the open
/// never waits (for a FIFO's writer, say) and reads may answer EAGAIN.
int OpenForReading(const char* path, std::uint32_t* error, bool nonblocking = false);

/// The way every file klavrun writes is made, so that a name planted in a
/// shared folder cannot turn the write against another file: the new file
/// is created beside `path` under a name of its own (never through a
/// symbolic link, never an existing file), mode 0600 since it may hold what
/// was typed at a no-echo prompt, close-on-exec. A `path` that exists as
/// anything but a regular file (a symbolic link, a device, a FIFO, a
/// folder) is refused. Returns the descriptor with *temporary naming the new
/// file; -1 with *error saying why not.
int CreateReplacement(const std::string& path, std::string* temporary, std::string* error);

/// Renames the new file over `path`, so that a reader finds the old file or
/// the new one, never a part. False with *error saying why not; the new
/// file is removed then.
bool PutReplacement(const std::string& temporary, const std::string& path, std::string* error);

/// Removes a new file that will not take its place.
void DiscardReplacement(const std::string& temporary);

}  // namespace platform

#endif  // KLAVRUN_PLATFORM_POSIX_FILE_H_
