// Starting programs on the console. They all go into one process group,
// the console's foreground group, so that an interrupt typed into the
// console reaches every one of them.
#include "platform/posix/processes/process.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/console/console.h"
#include "platform/posix/handles.h"
#include "platform/posix/processes/command_line.h"
#include "platform/posix_file.h"

extern char** environ;

namespace posix {
namespace {

// The terminal type whose sequences the screen model understands.
constexpr char kTerminalType[] = "TERM=xterm-256color";
// An empty command line names no program at all.
constexpr std::uint32_t kErrorInvalidParameter = 87;
// How long programs get to end after the hang-up before they are killed.
constexpr int kHangUpGraceMs = 500;

struct Program {
  pid_t pid;
  pid_t group;
  std::string name;  // the first word's last part, as the script wrote it
};

struct Programs {
  // Started and not yet reaped. Only their groups are ever signalled: the
  // id of a group whose programs are all reaped may belong to anyone.
  std::vector<Program> running;
  pid_t group = 0;  // the programs' group, 0 before the first start
};

Programs programs;
volatile sig_atomic_t program_ended = 1;
int ended_pipe[2] = {-1, -1};  // a byte for each SIGCHLD, to wake waits

void OnProgramEnded(int) {
  program_ended = 1;
  int saved_errno = errno;
  ssize_t ignored = write(ended_pipe[1], "x", 1);
  (void)ignored;
  errno = saved_errno;
}

constexpr int kSignalsToReset[] = {SIGPIPE, SIGTTOU, SIGTTIN, SIGTSTP, SIGINT,
                                   SIGQUIT, SIGTERM, SIGHUP,  SIGCHLD};

// A started program takes the console's foreground from klavrun itself, from
// the programs' group, or from a group that has ended; never from a job
// that a shell started by the script put in front (vim in bash, say).
bool MayTakeForeground(int console) {
  pid_t front = tcgetpgrp(console);
  if (front <= 0 || front == getpgrp() || front == programs.group) return true;
  return kill(-front, 0) != 0 && errno == ESRCH;
}

// In the new process: joins the programs' group, takes the console when it
// may, and becomes the program. Reports errno on the pipe when it cannot.
[[noreturn]] void BecomeProgram(pid_t group, int console, bool foreground,
                                const char* folder, const char* path,
                                char* const* argv, char* const* envp, int report) {
  if (group == 0 || setpgid(0, group) != 0) setpgid(0, 0);
  // Before exec, so that a shell finds itself in the foreground at once.
  if (foreground) tcsetpgrp(console, getpgrp());
  dup2(console, STDIN_FILENO);
  dup2(console, STDOUT_FILENO);
  dup2(console, STDERR_FILENO);
#ifdef SYS_close_range
  syscall(SYS_close_range, 3U, ~0U, 4U /* CLOSE_RANGE_CLOEXEC */);
#endif
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  for (int signal_number : kSignalsToReset) signal(signal_number, SIG_DFL);
  int error = 0;
  if (folder != nullptr && chdir(folder) != 0)
    error = errno;
  else
    execve(path, argv, envp);
  if (error == 0) error = errno;
  ssize_t ignored = write(report, &error, sizeof error);
  (void)ignored;
  _exit(127);
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(&s[0]);
  pointers.push_back(nullptr);
  return pointers;
}

std::uint32_t ErrorOfExec(int error) {
  if (error == ENOENT) return platform::ERROR_FILE_NOT_FOUND;  // e.g. its interpreter
  return platform::Win32ErrorFromErrno(error);
}

void Forget(pid_t pid) {
  programs.running.erase(
      std::remove_if(programs.running.begin(), programs.running.end(),
                     [pid](const Program& p) { return p.pid == pid; }),
      programs.running.end());
}

void SignalGroupsOfRunning(int signal_number) {
  std::vector<pid_t> done;
  for (const Program& p : programs.running) {
    if (std::find(done.begin(), done.end(), p.group) != done.end()) continue;
    done.push_back(p.group);
    kill(-p.group, signal_number);
  }
}

long MonotonicMs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000L + now.tv_nsec / 1000000L;
}

}  // namespace

void WatchPrograms() {
  if (pipe2(ended_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
    ended_pipe[0] = ended_pipe[1] = -1;  // waits then wake on EINTR alone
  struct sigaction action = {};
  action.sa_handler = OnProgramEnded;
  action.sa_flags = SA_RESTART | SA_NOCLDSTOP;
  sigemptyset(&action.sa_mask);
  sigaction(SIGCHLD, &action, nullptr);
}

int ProgramEndedFd() { return ended_pipe[0]; }

void ReapPrograms() {
  if (!program_ended) return;
  program_ended = 0;
  char drained[64];
  while (read(ended_pipe[0], drained, sizeof drained) > 0) {
  }
  for (;;) {
    int status;
    pid_t pid = waitpid(-1, &status, WNOHANG);
    if (pid <= 0) return;
    Forget(pid);
  }
}

bool ProgramsRunning() {
  ReapPrograms();
  return !programs.running.empty();
}

std::vector<std::string> RunningProgramNames() {
  ReapPrograms();
  std::vector<std::string> names;
  for (const Program& p : programs.running)
    if (std::find(names.begin(), names.end(), p.name) == names.end()) names.push_back(p.name);
  return names;
}

void EndPrograms() {
  program_ended = 1;
  ReapPrograms();
  SignalGroupsOfRunning(SIGHUP);
  SignalGroupsOfRunning(SIGCONT);
  // Woken by each program's end as it comes, not by a clock; the short
  // timeout only guards against a missed wake-up.
  const long deadline = MonotonicMs() + kHangUpGraceMs;
  for (;;) {
    program_ended = 1;
    ReapPrograms();
    const long left = deadline - MonotonicMs();
    if (programs.running.empty() || left <= 0) break;
    pollfd ended = {ended_pipe[0], POLLIN, 0};
    poll(&ended, 1, static_cast<int>(std::min(left, 5L)));
  }
  for (const Program& p : programs.running) {
    kill(p.pid, SIGKILL);
    while (waitpid(p.pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  programs.running.clear();
}

namespace {

// What a start runs: the program's file, its words and its environment.
struct Launch {
  std::string path;
  std::vector<std::string> words;
  std::vector<std::string> environment;
};

// Finds the program a command line names. Returns 0, or the Win32 error
// code of why it cannot be run.
std::uint32_t ResolveProgram(const char* application, const char* command_line,
                             Launch* launch) {
  launch->words = SplitWords(command_line != nullptr ? command_line : "");
  std::string name = application != nullptr ? application
                     : launch->words.empty() ? ""
                                             : launch->words[0];
  if (name.empty()) return kErrorInvalidParameter;  // as Win32 answers
  ProgramFile program = FindProgram(name, getenv("PATH"));
  if (program.error != 0) return program.error;
  launch->path = program.path;
  if (launch->words.empty()) launch->words.push_back(name);
  for (char** entry = environ; *entry != nullptr; ++entry)
    if (strncmp(*entry, "TERM=", 5) != 0) launch->environment.push_back(*entry);
  launch->environment.push_back(kTerminalType);
  return 0;
}

// Puts a started program in the programs' group, as both sides do,
// whichever runs first, and in front when it may be.
pid_t JoinConsoleGroup(pid_t pid, pid_t group, int console, bool foreground) {
  if (group == 0 || setpgid(pid, group) != 0) setpgid(pid, pid);
  pid_t made = getpgid(pid);
  if (made <= 0) return pid;
  if (foreground) tcsetpgrp(console, made);
  programs.group = made;
  return made;
}

// Starts the program on the console. Its exec failure comes back through a
// pipe, so that a missing interpreter fails the start, not the program.
// Returns the pid, or -1 with *error set.
pid_t Spawn(Launch& launch, const char* folder, std::uint32_t* error) {
  std::vector<char*> argv = Pointers(launch.words);
  std::vector<char*> envp = Pointers(launch.environment);
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) {
    *error = platform::Win32ErrorFromErrno(errno);
    return -1;
  }
  pid_t group = programs.group;
  if (group != 0 && kill(-group, 0) != 0) group = 0;  // all of it ended
  int console = ConsoleSlave();
  const bool foreground = MayTakeForeground(console);
  pid_t pid = fork();
  if (pid == 0)
    BecomeProgram(group, console, foreground, folder, launch.path.c_str(), argv.data(),
                  envp.data(), report[1]);
  close(report[1]);
  if (pid < 0) {
    close(report[0]);
    *error = platform::Win32ErrorFromErrno(errno);
    return -1;
  }
  pid_t made = JoinConsoleGroup(pid, group, console, foreground);
  int exec_error = 0;
  ssize_t got;
  do {
    got = read(report[0], &exec_error, sizeof exec_error);
  } while (got < 0 && errno == EINTR);
  close(report[0]);
  if (got == static_cast<ssize_t>(sizeof exec_error)) {
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    *error = ErrorOfExec(exec_error);
    return -1;
  }
  const std::string& word = launch.words[0];
  programs.running.push_back({pid, made, word.substr(word.find_last_of('/') + 1)});
  return pid;
}

}  // namespace
}  // namespace posix

namespace platform {

// Programs are named and given their arguments as the script writes them.
bool LetterCaseMatters() { return true; }

// The environment klavrun was started with, which its programs get too.
DWORD GetEnvironmentVariableA(const char* name, char* buffer, DWORD size) {
  const char* value = getenv(name);
  if (value == nullptr) {
    posix::SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  const std::size_t length = strlen(value);
  if (length >= size) return static_cast<DWORD>(length + 1);
  memcpy(buffer, value, length + 1);
  return static_cast<DWORD>(length);
}

BOOL CreateProcessA(const char* application, char* command_line,
                    void* process_attributes, void* thread_attributes,
                    BOOL inherit_handles, DWORD creation_flags,
                    void* environment, const char* current_directory,
                    STARTUPINFOA* startup_info,
                    PROCESS_INFORMATION* process_information) {
  // The programs always get the console: standard error included, since
  // shells print their prompts there.
  (void)process_attributes, (void)thread_attributes, (void)inherit_handles;
  (void)creation_flags, (void)environment, (void)startup_info;
  posix::FlushInput();
  posix::ReapPrograms();

  posix::Launch launch;
  std::uint32_t error = posix::ResolveProgram(application, command_line, &launch);
  pid_t pid = error == 0 ? posix::Spawn(launch, current_directory, &error) : -1;
  if (pid < 0) {
    posix::SetLastError(error);
    return 0;
  }
  // Keys typed while no program ran have waited for this one.
  posix::FlushInput();
  if (process_information != nullptr) {
    process_information->hProcess = posix::kProcessBase | static_cast<HANDLE>(pid);
    process_information->hThread = posix::kThreadBase | static_cast<HANDLE>(pid);
    process_information->dwProcessId = static_cast<DWORD>(pid);
    process_information->dwThreadId = static_cast<DWORD>(pid);
  }
  return 1;
}

}  // namespace platform
