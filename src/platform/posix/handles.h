// The handles the posix platform gives out, and the last error.
#ifndef KLAVRUN_PLATFORM_POSIX_HANDLES_H_
#define KLAVRUN_PLATFORM_POSIX_HANDLES_H_

#include "platform/platform.h"

namespace posix {

// Kinds of handle live in separate ranges, so that one can never be taken
// for another: the number in the low bits is a descriptor or a process id.
constexpr platform::HANDLE kConsoleInput = 0x40000001;
constexpr platform::HANDLE kConsoleOutput = 0x40000002;
// klavrun's own standard error: the caller's, never the console.
constexpr platform::HANDLE kCallerError = 0x40000003;
constexpr platform::HANDLE kFileBase = 0x10000000;
constexpr platform::HANDLE kProcessBase = 0x20000000;
constexpr platform::HANDLE kThreadBase = 0x30000000;
constexpr platform::HANDLE kKindMask = 0xf0000000;

void SetLastError(platform::DWORD error);

}  // namespace posix

#endif  // KLAVRUN_PLATFORM_POSIX_HANDLES_H_
