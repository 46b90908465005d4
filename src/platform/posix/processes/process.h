// The programs klavrun starts on its console: their process group, their
// exit and their end.
#ifndef KLAVRUN_PLATFORM_POSIX_PROCESSES_PROCESS_H_
#define KLAVRUN_PLATFORM_POSIX_PROCESSES_PROCESS_H_

#include <string>
#include <vector>

namespace posix {

/// Starts noting when programs end (SIGCHLD), so that collecting them costs
/// nothing while none has.
void WatchPrograms();

/// Readable once a program has ended since the last ReapPrograms; poll it
/// in every wait.
int ProgramEndedFd();

/// Collects programs that have ended, without waiting.
void ReapPrograms();

/// True while a started program has not ended (collects those that have).
bool ProgramsRunning();

/// The names of the started programs still running ("top"), each once.
std::vector<std::string> RunningProgramNames();

/// After the console is closed: hangs up the programs still running, gives
/// them a moment to go, kills the rest and reaps them all.
void EndPrograms();

}  // namespace posix

#endif  // KLAVRUN_PLATFORM_POSIX_PROCESSES_PROCESS_H_
