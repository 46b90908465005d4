// klavrun runs as two processes. The one the caller started stays in the
// caller's job: it passes stop signals on, gives the person's terminal its
// modes back and ends with the run's exit code. Its child leads a session
// of its own on the console, so that the keys it types signal the programs
// on the console and never klavrun, and so that the console can be hung up
// like any terminal.
#include "platform/posix/console/session.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/posix/console/console.h"
#include "platform/posix/console/recording.h"
#include "platform/posix/desktop/window.h"
#include "platform/posix/processes/process.h"

namespace posix {
namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
// From the caller's side to the run, as the value queued with kJobSignal:
// the job stopped; it went on with the person's terminal (fg); it went on
// without it (bg).
constexpr int kJobSignal = SIGUSR1;
enum JobNews { kJobStopped, kJobBack, kJobInBackground };

struct SessionState {
  bool stdout_open = true;
  bool stdout_terminal = false;
  int caller_terminal = -1;
  bool person_at_terminal = false;
  termios person_modes = {};  // as found; given back by the caller's side
  volatile sig_atomic_t terminal_taken = 0;  // raw for the run; caller's side
  int stop_pipe[2] = {-1, -1};
  bool exiting = false;
  bool handed_over = false;
  bool hand_over_refused = false;  // --no-handover
  bool stop_raised = false;
  std::string last_words;  // for standard error, after the console's end
};

SessionState session;
volatile sig_atomic_t stop_signal = 0;
// In the run: the job is stopped, or went on in the background.
volatile sig_atomic_t job_stopped = 0;
volatile sig_atomic_t terminal_left = 0;
pid_t runner_pid = 0;  // in the process that stays with the caller

bool InForeground() { return tcgetpgrp(STDIN_FILENO) == getpgrp(); }

// A person at the terminal types to the console through klavrun: the
// terminal goes raw for the run, so that every key, Ctrl+C included,
// reaches the programs as its bytes. A job in the background leaves the
// terminal to the shell.
void TakePersonsTerminal() {
  if (!isatty(STDIN_FILENO) || tcgetpgrp(STDIN_FILENO) != getpgrp()) return;
  if (tcgetattr(STDIN_FILENO, &session.person_modes) != 0) return;
  termios raw = session.person_modes;
  cfmakeraw(&raw);
  if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) != 0) return;
  session.person_at_terminal = true;
  session.terminal_taken = true;
}

// Called by the caller's side only, which outlives the run however it ends.
void GiveBackPersonsTerminal() {
  if (!session.terminal_taken) return;
  // Even when klavrun was moved to the background meanwhile.
  signal(SIGTTOU, SIG_IGN);
  tcsetattr(STDIN_FILENO, TCSANOW, &session.person_modes);
}

void ForwardSignal(int signal_number) {
  if (runner_pid > 0) kill(runner_pid, signal_number);
}

void TellRun(JobNews news) {
  sigval value;
  value.sival_int = news;
  sigqueue(runner_pid, kJobSignal, value);
}

// SIGTSTP in the caller's side: the run pauses, the person's terminal gets
// its modes back, so that the shell has it, and this process stops.
void StopJob(int) {
  int saved_errno = errno;
  TellRun(kJobStopped);
  if (session.terminal_taken) {
    // The shell may have the terminal already, when another process of
    // the job stopped first.
    void (*before)(int) = signal(SIGTTOU, SIG_IGN);
    tcsetattr(STDIN_FILENO, TCSANOW, &session.person_modes);
    signal(SIGTTOU, before);
    session.terminal_taken = false;
  }
  signal(SIGTSTP, SIG_DFL);
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTSTP);
  sigprocmask(SIG_UNBLOCK, &stop, nullptr);
  raise(SIGTSTP);
  sigprocmask(SIG_BLOCK, &stop, nullptr);
  struct sigaction again = {};
  again.sa_handler = StopJob;
  sigaction(SIGTSTP, &again, nullptr);
  errno = saved_errno;
}

// SIGCONT in the caller's side, by fg or bg: the person's terminal is
// taken again only when klavrun is back in its foreground.
void ContinueJob(int) {
  int saved_errno = errno;
  if (session.person_at_terminal && !session.terminal_taken && InForeground() &&
      tcgetattr(STDIN_FILENO, &session.person_modes) == 0) {
    termios raw = session.person_modes;
    cfmakeraw(&raw);
    session.terminal_taken = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
  }
  TellRun(session.terminal_taken || !session.person_at_terminal ? kJobBack
                                                                : kJobInBackground);
  errno = saved_errno;
}

bool WaitingForForeground() {
  return session.person_at_terminal && !session.terminal_taken;
}

// While the job runs in the background: fg of a running job sends no
// SIGCONT, so the foreground is looked at now and then.
void WatchForForeground() {
  timespec pause = {0, 100 * 1000 * 1000};
  nanosleep(&pause, nullptr);
  sigset_t job_control, before;
  sigemptyset(&job_control);
  sigaddset(&job_control, SIGTSTP);
  sigaddset(&job_control, SIGCONT);
  sigprocmask(SIG_BLOCK, &job_control, &before);
  if (WaitingForForeground() && InForeground()) ContinueJob(SIGCONT);
  sigprocmask(SIG_SETMASK, &before, nullptr);
}

// In the run. A stopped job waits right here, wherever the run was, rather
// than with SIGSTOP: a stopped process would not see klavrun end (its
// parent-death SIGHUP), and would hold the caller's output for ever.
void OnJobNews(int, siginfo_t* info, void*) {
  if (info->si_code != SI_QUEUE) return;
  if (info->si_value.sival_int != kJobStopped) {
    terminal_left = info->si_value.sival_int == kJobInBackground;
    job_stopped = 0;
    return;
  }
  job_stopped = 1;
  sigset_t waiting;
  sigprocmask(SIG_SETMASK, nullptr, &waiting);
  sigdelset(&waiting, kJobSignal);
  for (int signal_number : kStopSignals) sigdelset(&waiting, signal_number);
  while (job_stopped && stop_signal == 0) sigsuspend(&waiting);
}

[[noreturn]] void EndWith(int exit_code) {
  GiveBackPersonsTerminal();
  _exit(exit_code);
}

// The process that stays with the caller: it only waits for the run.
[[noreturn]] void Supervise(pid_t runner, const sigset_t& mask) {
  runner_pid = runner;
  struct sigaction action = {};
  action.sa_handler = ForwardSignal;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (int signal_number : kStopSignals) sigaction(signal_number, &action, nullptr);
  // Without SA_RESTART: the wait below then looks again at how to wait.
  action.sa_flags = 0;
  action.sa_handler = StopJob;
  sigaction(SIGTSTP, &action, nullptr);
  action.sa_handler = ContinueJob;
  sigaction(SIGCONT, &action, nullptr);
  sigprocmask(SIG_SETMASK, &mask, nullptr);
  for (;;) {
    int status = 0;
    pid_t done = waitpid(runner, &status, WaitingForForeground() ? WNOHANG : 0);
    if (done == 0) {
      WatchForForeground();
      continue;
    }
    if (done < 0 && errno == EINTR) continue;
    if (done < 0) EndWith(1);
    if (WIFEXITED(status)) EndWith(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) EndWith(128 + WTERMSIG(status));
  }
}

void OnStopSignal(int signal_number, siginfo_t* info, void*) {
  // An interrupt typed into the console while no program holds it reaches
  // klavrun from the kernel; it is not meant for klavrun.
  if ((signal_number == SIGINT || signal_number == SIGQUIT) &&
      info->si_code == SI_KERNEL)
    return;
  if (stop_signal == 0) stop_signal = signal_number;
  int saved_errno = errno;
  ssize_t ignored = write(session.stop_pipe[1], "x", 1);
  (void)ignored;
  errno = saved_errno;
}

void SetUpRunnerSignals() {
  struct sigaction action = {};
  action.sa_sigaction = OnStopSignal;
  action.sa_flags = SA_SIGINFO | SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (int signal_number : kStopSignals) sigaction(signal_number, &action, nullptr);
  // klavrun sets the console's foreground group while in the background.
  signal(SIGTTOU, SIG_IGN);
  signal(SIGTTIN, SIG_IGN);
  signal(SIGTSTP, SIG_IGN);
  action.sa_sigaction = OnJobNews;
  sigaction(kJobSignal, &action, nullptr);
  WatchPrograms();
}

[[noreturn]] void Fail(const std::string& message) {
  std::string line = "klavrun: " + message + "\n";
  ssize_t ignored = write(STDERR_FILENO, line.data(), line.size());
  (void)ignored;
  _exit(1);
}

}  // namespace

void BeginSession() {
  // A standard descriptor that was closed stays closed for the script, but
  // /dev/null holds its number so that no other file takes it.
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
    if (open("/dev/null", O_RDWR) != fd) Fail("cannot set up standard files");
    if (fd == STDOUT_FILENO) session.stdout_open = false;
  }
  signal(SIGPIPE, SIG_IGN);
  session.stdout_terminal = session.stdout_open && isatty(STDOUT_FILENO);
  // Opened before leaving the caller's session: message boxes still reach
  // the person there.
  session.caller_terminal = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);

  // Stop signals wait until each process has its handlers: none may end
  // klavrun with the terminal left raw.
  sigset_t stop_signals, unblocked;
  sigemptyset(&stop_signals);
  for (int signal_number : kStopSignals) sigaddset(&stop_signals, signal_number);
  sigaddset(&stop_signals, SIGTSTP);
  sigprocmask(SIG_BLOCK, &stop_signals, &unblocked);
  TakePersonsTerminal();

  pid_t caller_side = getpid();
  pid_t runner = fork();
  if (runner < 0) {
    GiveBackPersonsTerminal();
    Fail(std::string("cannot start: ") + strerror(errno));
  }
  if (runner > 0) {
    if (session.caller_terminal >= 0) close(session.caller_terminal);
    Supervise(runner, unblocked);
  }

  prctl(PR_SET_PDEATHSIG, SIGHUP);
  if (getppid() != caller_side) _exit(129);
  if (pipe2(session.stop_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
    Fail(std::string("cannot start: ") + strerror(errno));
  SetUpRunnerSignals();
  sigprocmask(SIG_SETMASK, &unblocked, nullptr);
  if (setsid() < 0) Fail(std::string("cannot start a session: ") + strerror(errno));
  std::string error;
  if (!OpenConsole(&error)) Fail(error);
  if (ioctl(ConsoleSlave(), TIOCSCTTY, 0) != 0)
    Fail(std::string("cannot take the console: ") + strerror(errno));
}

void RefuseHandOver() { session.hand_over_refused = true; }

bool StdoutOpen() { return session.stdout_open; }

bool StdoutIsTerminal() { return session.stdout_terminal; }

int CallerTerminal() { return session.caller_terminal; }

bool PersonAtTerminal() { return session.person_at_terminal && !terminal_left; }

int StopSignalFd() { return session.stop_pipe[0]; }

void EndIfStopped() {
  if (stop_signal == 0 || session.exiting || session.stop_raised) return;
  const platform::UINT code = 128 + static_cast<platform::UINT>(stop_signal);
  // Once the script is over, there is no run left to report on.
  if (session.handed_over) platform::ExitProcess(code);
  // Raised once: the core ends the process itself after its report, and
  // the platform calls it makes meanwhile must not raise it again.
  session.stop_raised = true;
  throw platform::StopRequested{code};
}

bool WriteAll(int fd, const char* data, std::size_t length) {
  while (length > 0) {
    ssize_t n = write(fd, data, length);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) {
      // Someone handed us a non-blocking standard output.
      pollfd out = {fd, POLLOUT, 0};
      poll(&out, 1, -1);
      continue;
    }
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    data += n;
    length -= static_cast<std::size_t>(n);
  }
  return true;
}

bool WriteStdout(const char* data, std::size_t length) {
  PassOutput();
  RecordOutput(data, length);
  return WriteStdoutOnly(data, length);
}

bool WriteStdoutOnly(const char* data, std::size_t length) {
  if (!session.stdout_open) {
    errno = EBADF;
    return false;
  }
  return WriteAll(STDOUT_FILENO, data, length);
}

bool WriteStderr(const char* data, std::size_t length) {
  PassOutput();
  if (!session.person_at_terminal || !isatty(STDERR_FILENO))
    return WriteAll(STDERR_FILENO, data, length);
  std::string lines;
  for (std::size_t i = 0; i < length; ++i) {
    if (data[i] == '\n' && (i == 0 || data[i - 1] != '\r')) lines += '\r';
    lines += data[i];
  }
  return WriteAll(STDERR_FILENO, lines.data(), lines.size());
}

void EndRun(int exit_code, const std::string& last_words) {
  session.handed_over = true;
  session.last_words = last_words;
  platform::ExitProcess(static_cast<platform::UINT>(exit_code));
}

}  // namespace posix

namespace platform {

void ExitProcess(UINT exit_code) {
  if (!posix::session.exiting) {
    // Programs a script that ran to its end leaves running are the
    // person's to finish; a stop signal meanwhile ends the run from in
    // there. After a failure nobody may be there to see it: the run ends.
    if (exit_code == 0 && posix::stop_signal == 0 && !posix::session.hand_over_refused &&
        !posix::session.handed_over) {
      posix::session.handed_over = true;
      posix::HandOver();
    }
    posix::session.exiting = true;
    // Letting go of the console hangs up its foreground group, which is
    // klavrun's own before any program was started.
    signal(SIGHUP, SIG_IGN);
    posix::CloseConsole();
    const std::string& words = posix::session.last_words;
    if (!words.empty()) posix::WriteStderr(words.data(), words.size());
    posix::RestoreCallerTitle();
    posix::EndRecording();
    posix::EndPrograms();
  }
  _exit(static_cast<int>(exit_code & 0xff));
}

}  // namespace platform
