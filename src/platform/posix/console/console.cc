#include "platform/posix/console/console.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <string.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/console/keyboard.h"
#include "platform/posix/console/recording.h"
#include "platform/posix/console/session.h"
#include "platform/posix/desktop/window.h"
#include "platform/posix/processes/process.h"
#include "platform/printable.h"

namespace posix {
namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
// A first read this short found the programs' output drained: reading again
// at once would find nothing.
constexpr std::size_t kCaughtUp = 512;
// One call takes in at most this much, so a program that floods the console
// cannot keep the script from its next step.
constexpr std::size_t kTakeInLimit = 1024 * 1024;
// Typed keys go out in batches of about this size while a send runs. Longer
// batches mean fewer writes and fewer wake-ups for the echo; past 16 KB the
// programs wait longer for the first keys of each, and typing slows again.
constexpr std::size_t kInputBatch = 16 * 1024;
// A send this far ahead of the programs waits for them to take half of it:
// typing on would only pile the keys up, and take processor time the
// programs need to read them.
constexpr std::size_t kInputAhead = 32 * 1024;
// A wait right after traffic looks for output this long before it sleeps:
// a program answering a key usually does so sooner, and waking up from a
// sleep takes longer than that on a busy machine.
constexpr std::int64_t kLookAgainUs = 50;
// A flush gives up when the programs have taken nothing for this long.
constexpr int kStallMs = 50;
// The person's keys are left on their terminal while this much input waits
// for the programs.
constexpr std::size_t kTypedQueueLimit = 64 * 1024;
// Output goes on to standard output once this much is held, or once it has
// been held this long; else before any wait.
constexpr std::size_t kPassBatch = 64 * 1024;
constexpr std::int64_t kPassDelayMs = 2;

struct SecretKeys {
  std::size_t begin;  // in the queue
  std::size_t end;
  std::string placeholder;
  bool recorded;
};

struct ConsoleState {
  int master = -1;
  int slave = -1;
  int interrupt_char = -1;
  std::unique_ptr<ScreenModel> screen;
  std::string input;  // queued for the programs; the screen model appends
  std::size_t input_sent = 0;
  std::string replies;  // the screen model's replies to queries, to queue
  std::size_t replies_end = 0;  // in input: after the last reply queued
  std::size_t input_at_last_try = 0;
  std::uint64_t taken_in = 0;
  std::uint64_t taken_in_at_screen_read = 0;
  bool screen_read_saw_new_output = false;
  bool pass_through = true;
  std::string passing;  // taken in, recorded, not yet on standard output
  std::int64_t passing_since = 0;
  bool relay = false;  // the person's keys go to the programs
  bool relay_paused = false;
  bool typing = false;  // a send is typing: its echo may be drawn later
  bool input_stalled = false;  // the programs stopped taking the queued input
  bool room_for_input = false;  // the last wait found the console writable
  std::int64_t last_traffic_us = 0;  // when output came or input went last
  // The keys of secrets in the queue, in its order: the recording gets each
  // one's placeholder, once, when its keys go out.
  std::vector<SecretKeys> secrets;
  bool secret_open = false;  // the last one's keys are being typed
  std::string secret_keys;  // every byte typed for it
  TypedFilter typed_filter = nullptr;
};

ConsoleState console;

std::int64_t NowUs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return std::int64_t{ts.tv_sec} * 1000000 + ts.tv_nsec / 1000;
}

std::int64_t NowMs() { return NowUs() / 1000; }

bool InputPending() { return console.input_sent < console.input.size(); }

// Keys the console's line discipline holds for a reader. Written keys may
// still be on their way in, where the count misses them: polling the
// reader's side first has the kernel hand them on.
int UnreadInput() {
  pollfd reader = {console.slave, POLLIN, 0};
  poll(&reader, 1, 0);
  int unread = 0;
  return ioctl(console.slave, FIONREAD, &unread) == 0 ? unread : 0;
}

std::size_t InputLeft() { return console.input.size() - console.input_sent; }

// Room for the input is worth waiting for only when a program may read it.
bool InputWaiting() { return InputPending() && ProgramsRunning(); }

bool Relaying() {
  return console.relay && !console.relay_paused && PersonAtTerminal() &&
         console.input.size() - console.input_sent < kTypedQueueLimit;
}

// Queues what the person typed, unchanged. Call when standard input is
// readable.
void ReadTyped() {
  if (!PersonAtTerminal()) return;  // left to the shell since the poll began
  char buffer[4096];
  ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
  if (n > 0 && console.typed_filter != nullptr)
    console.typed_filter(buffer, static_cast<std::size_t>(n));
  else if (n > 0)
    console.input.append(buffer, static_cast<std::size_t>(n));
  else if (n == 0 || (errno != EINTR && errno != EAGAIN))
    console.relay = false;  // the person's terminal has gone
}

void TakeTyped() {
  if (!Relaying()) return;
  pollfd typed = {STDIN_FILENO, POLLIN, 0};
  if (poll(&typed, 1, 0) > 0) ReadTyped();
}

// Output is held back a little on its way to standard output, so that a
// program's next key does not wait for that write; the recording has it at
// once, in its place among the typed keys.
void PassThrough(const char* data, std::size_t length) {
  if (length == 0) return;
  // Programs may set the title too.
  SaveCallerTitle();
  RecordOutput(data, length);
  // Once standard output refuses, the session goes on unwatched, and
  // recorded still.
  if (!console.pass_through) return;
  if (console.passing.empty()) {
    if (length >= kPassBatch) {
      console.pass_through = WriteStdoutOnly(data, length);
      return;
    }
    console.passing_since = NowMs();
  }
  console.passing.append(data, length);
  if (console.passing.size() >= kPassBatch) PassOutput();
}

// A reply goes ahead of the keys still queued, after those the programs
// have and earlier replies, as a terminal would give it: a program that
// asked does not wait behind the rest of a long send.
void QueueReplies() {
  if (console.replies.empty()) return;
  std::size_t at = KeyBoundary(console.input, std::max(console.input_sent, console.replies_end));
  // Never inside a secret's keys: the recording shows them as one.
  for (SecretKeys& secret : console.secrets) {
    const bool open = console.secret_open && &secret == &console.secrets.back();
    if (at > secret.begin && (open || at < secret.end)) at = open ? console.input.size() : secret.end;
    if (at <= secret.begin) {
      secret.begin += console.replies.size();
      secret.end += console.replies.size();
    }
  }
  console.input.insert(at, console.replies);
  console.replies_end = at + console.replies.size();
  console.replies.clear();
}

std::size_t ReadOutput(std::size_t limit) {
  // Everything there is goes to the screen model in one piece: long chunks
  // let it leave out lines that scroll away unseen. Read straight into it;
  // it keeps its size between calls.
  static std::string chunk;
  std::size_t got = 0;
  while (got < limit) {
    if (chunk.size() < got + kReadChunk) chunk.resize(got + kReadChunk);
    ssize_t n = read(console.master, &chunk[got], kReadChunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // nothing more for now
    got += static_cast<std::size_t>(n);
    // A short read has caught up with the programs: asking again at once
    // would only cost a call, or chase a program line by line as it writes.
    if (static_cast<std::size_t>(n) < kCaughtUp) break;
  }
  PassThrough(chunk.data(), got);
  if (console.typing)
    console.screen->FeedLater(chunk.data(), got);
  else
    console.screen->Feed(chunk.data(), got);
  QueueReplies();
  console.taken_in += got;
  if (got > 0) console.last_traffic_us = NowUs();
  return got;
}

// Records the `n` queued bytes from `from` as they go out, a secret's as
// its placeholder.
void RecordSent(std::size_t from, std::size_t n) {
  const std::size_t to = from + n;
  std::size_t at = from;  // recorded up to here
  for (SecretKeys& secret : console.secrets) {
    if (secret.end <= at || secret.begin >= to) continue;
    RecordInput(console.input.data() + at, std::max(secret.begin, at) - at);
    if (!secret.recorded) RecordInput(secret.placeholder.data(), secret.placeholder.size());
    secret.recorded = true;
    at = std::min(secret.end, to);
  }
  RecordInput(console.input.data() + at, to - at);
}

// The first `dropped` bytes of the queue, sent, are gone.
void DropSecretBytes(std::size_t dropped) {
  for (SecretKeys& secret : console.secrets) {
    secret.begin -= std::min(secret.begin, dropped);
    secret.end -= std::min(secret.end, dropped);
  }
  const bool open = console.secret_open;
  auto sent = std::remove_if(console.secrets.begin(), console.secrets.end() - open,
                             [](const SecretKeys& secret) { return secret.end == 0; });
  console.secrets.erase(sent, console.secrets.end() - open);
}

std::size_t WriteInput() {
  std::size_t total = 0;
  // With no program on the console, keys wait in the queue as in a console's
  // input buffer: the console would echo them to nobody.
  console.input_at_last_try = console.input.size();
  if (!InputPending() || !ProgramsRunning()) return 0;
  while (InputPending()) {
    const std::size_t asked = console.input.size() - console.input_sent;
    ssize_t n = write(console.master, console.input.data() + console.input_sent, asked);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // the console's input side is full
    RecordSent(console.input_sent, static_cast<std::size_t>(n));
    console.input_sent += static_cast<std::size_t>(n);
    console.input_stalled = false;
    console.last_traffic_us = NowUs();
    total += static_cast<std::size_t>(n);
    // A short write filled the input side: another would only fail.
    if (static_cast<std::size_t>(n) < asked) break;
  }
  if (!InputPending()) {
    DropSecretBytes(console.input.size());
    console.input.clear();
    console.input_sent = 0;
    console.replies_end = 0;
  } else if (console.input_sent >= kReadChunk &&
             console.input_sent >= console.input.size() / 2) {
    // Dropping what was sent only once it is most of the queue keeps a long
    // send from moving the rest over and over. The last bytes sent stay:
    // a reply must not split the key they may begin.
    const std::size_t dropped = console.input_sent - kLongestKey;
    console.input.erase(0, dropped);
    DropSecretBytes(dropped);
    console.replies_end -= std::min(console.replies_end, dropped);
    console.input_sent = kLongestKey;
  }
  console.input_at_last_try = console.input.size();
  return total;
}

// Waits up to timeout_ms (-1: no limit) for output, room for queued input,
// the person's keys (queued at once), a stop signal or extra_fd, with the
// signal mask set to mask when one is given. Output held back goes on
// before a wait, unless pass_output is false. True when extra_fd became
// readable.
bool PollConsole(int timeout_ms, int extra_fd, bool pass_output = true,
                 const sigset_t* mask = nullptr) {
  pollfd fds[5] = {};
  nfds_t count = 0;
  fds[count++] = {console.master,
                  static_cast<short>(POLLIN | (InputWaiting() ? POLLOUT : 0)), 0};
  fds[count++] = {StopSignalFd(), POLLIN, 0};
  fds[count++] = {ProgramEndedFd(), POLLIN, 0};
  int extra = -1;
  int typed = -1;
  if (extra_fd >= 0) {
    extra = static_cast<int>(count);
    fds[count++] = {extra_fd, POLLIN, 0};
  }
  if (Relaying()) {
    typed = static_cast<int>(count);
    fds[count++] = {STDIN_FILENO, POLLIN, 0};
  }
  if (timeout_ms != 0 && pass_output) PassOutput();
  timespec limit = {timeout_ms / 1000, (timeout_ms % 1000) * 1000000L};
  int ready = ppoll(fds, count, timeout_ms < 0 ? nullptr : &limit, mask);
  // After a time-out, writing is worth a try all the same.
  console.room_for_input = ready == 0 || (fds[0].revents & POLLOUT) != 0;
  EndIfStopped();
  // A program's end wakes the wait: no zombie outlives it, whatever the
  // script is waiting for.
  ReapPrograms();
  if (ready > 0 && typed >= 0 && fds[typed].revents != 0) ReadTyped();
  return ready > 0 && extra >= 0 && fds[extra].revents != 0;
}

// Output held back this long goes on to standard output.
void PassHeldOutput() {
  if (!console.passing.empty() && NowMs() - console.passing_since >= kPassDelayMs)
    PassOutput();
}

// Takes in output and writes queued input until no more than `left` bytes
// of it wait. False when the programs took nothing for kStallMs: the keys
// stay queued.
bool DrainInput(std::size_t left) {
  std::int64_t last_progress = NowMs();
  while (InputLeft() > left && ProgramsRunning()) {
    // Short waits, one after the other: output goes on by its age.
    PollConsole(10, -1, false);
    PassHeldOutput();
    std::size_t moved = ReadOutput(kTakeInLimit);
    // A write the console has no room for would only cost a call.
    if (console.room_for_input) moved += WriteInput();
    if (moved > 0)
      last_progress = NowMs();
    else if (NowMs() - last_progress >= kStallMs)
      return false;
  }
  return true;
}

}  // namespace

bool OpenConsole(std::string* error) {
  winsize size = {};
  size.ws_row = static_cast<unsigned short>(kConsoleRows);
  size.ws_col = static_cast<unsigned short>(kConsoleColumns);
  int master = -1;
  int slave = -1;
  if (openpty(&master, &slave, nullptr, nullptr, &size) != 0) {
    *error = std::string("cannot open a pseudo-terminal: ") + strerror(errno);
    return false;
  }
  fcntl(master, F_SETFD, FD_CLOEXEC);
  fcntl(slave, F_SETFD, FD_CLOEXEC);
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  termios modes;
  if (tcgetattr(slave, &modes) == 0) {
    // The screen model reads UTF-8; let the line editor erase it whole.
    modes.c_iflag |= IUTF8;
    tcsetattr(slave, TCSANOW, &modes);
    if (modes.c_cc[VINTR] != _POSIX_VDISABLE)
      console.interrupt_char = modes.c_cc[VINTR];
  }
  console.master = master;
  console.slave = slave;
  console.screen = std::make_unique<ScreenModel>(&console.input, &console.replies);
  console.relay = PersonAtTerminal();
  return true;
}

void ResizeConsole(int columns, int rows) {
  winsize size = {};
  size.ws_row = static_cast<unsigned short>(rows);
  size.ws_col = static_cast<unsigned short>(columns);
  ioctl(console.master, TIOCSWINSZ, &size);
  console.screen = std::make_unique<ScreenModel>(&console.input, &console.replies, rows, columns);
}

int ConsoleSlave() { return console.slave; }

int InterruptChar() { return console.interrupt_char; }

ScreenModel& Screen() { return *console.screen; }

void InputQueued() {
  if (console.input.size() - console.input_at_last_try < kInputBatch) return;
  // Nobody reads the screen while a send types: the echo is drawn when
  // the send ends or the screen is read, in fewer and longer pieces.
  console.typing = true;
  TakeIn();
  if (InputLeft() > kInputAhead && !console.input_stalled)
    console.input_stalled = !DrainInput(kInputAhead / 2);
  console.typing = false;
}

void BeginSecretInput(const std::string& placeholder) {
  EndSecretInput();
  const std::size_t at = console.input.size();
  console.secrets.push_back({at, at, placeholder, false});
  console.secret_open = true;
}

void SecretKeysQueued(std::size_t from) {
  if (!console.secret_open) return;
  console.secret_keys.append(console.input, from, std::string::npos);
  console.secrets.back().end = console.input.size();
}

void EndSecretInput() {
  if (!console.secret_open) return;
  console.secret_open = false;
  // Their echo, and a program that prints them, are masked in the
  // recording's output too.
  MaskInRecording(console.secret_keys, console.secrets.back().placeholder);
  console.secret_keys.clear();
}

std::size_t QueuedInputSize() { return console.input.size(); }

void TakeIn() {
  EndIfStopped();
  PassHeldOutput();
  TakeTyped();
  ReadOutput(kTakeInLimit);
  if (InputPending()) {
    WriteInput();
    ReadOutput(kTakeInLimit);
  }
}

void FlushInput() {
  TakeIn();
  DrainInput(0);
}

platform::KeysGivenUp TypeTheRest(std::uint32_t idle_limit_ms) {
  if (console.master < 0) return {0, false};
  TakeIn();
  int unread = UnreadInput();
  std::int64_t last_progress = NowMs();
  // A reader that takes keys without answering wakes nothing here: look
  // again soon, then less often while it takes nothing. A terminal takes
  // more only once its reader has nearly emptied it, so a slow reader makes
  // long pauses: only the wait limit ends them.
  int look_ms = 1;
  while ((InputPending() || unread > 0) && ProgramsRunning()) {
    PollConsole(look_ms, -1, false);
    PassHeldOutput();
    ReadOutput(kTakeInLimit);
    const std::size_t written = console.room_for_input ? WriteInput() : 0;
    const int now_unread = UnreadInput();
    if (written > 0 || now_unread != unread) {
      last_progress = NowMs();
      look_ms = 1;
    } else if (idle_limit_ms > 0 && NowMs() - last_progress >= std::int64_t{idle_limit_ms}) {
      return {InputLeft() + static_cast<std::uint64_t>(now_unread), true};
    } else {
      look_ms = std::min(2 * look_ms, 10);
    }
    unread = now_unread;
  }
  return {InputLeft() + static_cast<std::uint64_t>(unread), false};
}

void MarkScreenRead() {
  console.screen_read_saw_new_output =
      console.taken_in != console.taken_in_at_screen_read;
  console.taken_in_at_screen_read = console.taken_in;
}

void WaitForNewOutput(int max_ms) {
  // A wait loop tests the screen it read before this pause: when that read
  // brought something new, the test is still to come, and the next read
  // takes in whatever came since.
  if (console.screen_read_saw_new_output && !InputPending()) return;
  FlushInput();
  ReapPrograms();
  if (console.taken_in != console.taken_in_at_screen_read ||
      console.screen_read_saw_new_output)
    return;
  if (NowUs() - console.last_traffic_us <= kLookAgainUs) {
    const std::int64_t until = console.last_traffic_us + kLookAgainUs;
    do {
      EndIfStopped();
      if (ReadOutput(kTakeInLimit) > 0) return;
    } while (NowUs() < until);
  }
  PollConsole(max_ms, -1);
  TakeIn();
}

void SleepTakingIn(std::uint32_t milliseconds) {
  FlushInput();
  ReapPrograms();
  std::int64_t deadline = NowMs() + milliseconds;
  for (;;) {
    std::int64_t left = deadline - NowMs();
    if (left <= 0) break;
    PollConsole(left > 1000 ? 1000 : static_cast<int>(left), -1);
    TakeIn();
  }
}

void WaitReadable(int fd) {
  if (console.master < 0) {
    // No console (klavcheck reads scripts with these calls too).
    pollfd readable = {fd, POLLIN, 0};
    while (poll(&readable, 1, -1) < 0 && errno == EINTR) {
    }
    return;
  }
  FlushInput();
  while (!PollConsole(-1, fd)) TakeIn();
}

void PassOutput() {
  if (console.passing.empty()) return;
  if (console.pass_through)
    console.pass_through = WriteStdoutOnly(console.passing.data(), console.passing.size());
  console.passing.clear();
}

void PauseRelay(bool paused) { console.relay_paused = paused; }

namespace {

// "top", "top and less", "top, less and bc".
std::string Names(const std::vector<std::string>& names) {
  std::string said;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) said += i + 1 == names.size() ? " and " : ", ";
    said += Printable(names[i]);
  }
  return said;
}

void AnnounceHandOver() {
  const std::vector<std::string> names = RunningProgramNames();
  const std::string line = "klavrun: the script has ended; the console is yours until " +
                           Names(names) + (names.size() == 1 ? " ends\n" : " end\n");
  WriteStderr(line.data(), line.size());
}

}  // namespace

void HandOver() {
  if (console.master < 0) return;
  // A program's end is noted only while waiting, so that one ending between
  // the check and the wait still ends the wait.
  sigset_t program_end, waiting;
  sigemptyset(&program_end);
  sigaddset(&program_end, SIGCHLD);
  sigprocmask(SIG_BLOCK, &program_end, &waiting);
  sigdelset(&waiting, SIGCHLD);
  console.relay_paused = false;
  if (console.relay && ProgramsRunning()) AnnounceHandOver();
  while (console.relay && ProgramsRunning()) {
    TakeIn();
    PollConsole(-1, -1, true, &waiting);
  }
  sigprocmask(SIG_UNBLOCK, &program_end, nullptr);
}

bool Relay(int timeout_ms) {
  if (console.master < 0) return false;
  TakeIn();
  if (!console.relay || !ProgramsRunning()) return false;
  PollConsole(timeout_ms, -1);
  TakeIn();
  return console.relay && ProgramsRunning();
}

void FilterTyped(TypedFilter filter) { console.typed_filter = filter; }

void CloseConsole() {
  if (console.master < 0) return;
  FlushInput();
  ReadOutput(16 * kTakeInLimit);
  if (StdoutIsTerminal() && console.taken_in > 0) {
    std::string reset = console.screen->ModeResetSequence();
    PassThrough(reset.data(), reset.size());
  }
  PassOutput();
  // As the console's session leader, letting go of it hangs up its
  // foreground programs.
  ioctl(console.slave, TIOCNOTTY);
  close(console.master);
  close(console.slave);
  console.master = -1;
  console.slave = -1;
}

bool OutputWaiting() {
  pollfd output = {console.master, POLLIN, 0};
  return console.master >= 0 && poll(&output, 1, 0) > 0;
}

}  // namespace posix

namespace platform {

void Sleep(DWORD milliseconds) { posix::SleepTakingIn(milliseconds); }

// Keys typed while no program runs wait for the next one, so only a program
// (or output still on its way) can change the screen; the person at the
// terminal counts too, since they may be about to type.
bool ConsoleCanChange() {
  return posix::ProgramsRunning() || posix::PersonAtTerminal() || posix::OutputWaiting();
}

KeysGivenUp TypeQueuedKeys(DWORD idle_limit_ms) { return posix::TypeTheRest(idle_limit_ms); }

ScreenSize ConsoleScreenSize(HANDLE output) {
  (void)output;
  const posix::ScreenModel& screen = posix::Screen();
  return ScreenSize{screen.rows(), screen.columns() * posix::kMaxCellBytes};
}

namespace {

struct ScrolledRowsHandler {
  SCROLLEDROWSPROC handler = nullptr;
  LPARAM param = 0;
};
ScrolledRowsHandler scrolled_rows;

void PassScrolledRows(const char* rows, std::size_t length, void*) {
  scrolled_rows.handler(rows, length, scrolled_rows.param);
}

}  // namespace

// The screen model pushes the rows as they scroll off; a capture's first
// read draws what is held back, so it hands over every row before it.
void SetConsoleScrolledRowsHandler(HANDLE output, SCROLLEDROWSPROC handler, LPARAM param) {
  (void)output;
  posix::Screen().KeepScrolledRows(handler ? PassScrolledRows : nullptr, nullptr);
  scrolled_rows = {handler, param};
}

BOOL ReadConsoleOutputCharacterA(HANDLE output, char* buffer, DWORD length,
                                 COORD read_at, DWORD* read) {
  (void)output;  // the console has one screen, whichever handle names it
  if (read != nullptr) *read = 0;
  // A capture reads the rows in order; the rows after the first come from
  // the same picture of the screen.
  static int next_row = -1;
  if (read_at.Y != next_row) {
    posix::FlushInput();
    posix::MarkScreenRead();
  }
  next_row = read_at.Y + 1;
  std::size_t count =
      posix::Screen().ReadRow(read_at.Y, read_at.X, buffer, length);
  if (read != nullptr) *read = static_cast<DWORD>(count);
  return count > 0 ? 1 : 0;
}

}  // namespace platform
