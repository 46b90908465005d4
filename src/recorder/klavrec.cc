// klavrec: writes a klavrun script by watching a person do the task once.
// The command runs on a console exactly like klavrun's; the person's keys
// and the programs' output pass through, and each burst of keys becomes a
// send after a wait for the screen the person saw when they began it.
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/console/console.h"
#include "platform/posix/console/session.h"
#include "platform/posix/processes/command_line.h"
#include "platform/printable.h"
#include "recorder/key_decoder.h"
#include "recorder/recorder.h"
#include "runner/arguments.h"
#include "runner/errors.h"
#include "runner/main.h"
#include "version.h"

namespace {

const char kUsage[] =
    "usage: klavrec [OPTIONS] SCRIPT [-- COMMAND [ARG...]]\n"
    "\n"
    "Starts COMMAND (default: $SHELL) on a console like klavrun's and passes\n"
    "your keys and its output through until the programs end or you press\n"
    "Ctrl+], then writes SCRIPT: a klavrun script that replays the session.\n"
    "\n"
    "  --size COLSxROWS  the console's size, 20x5 to 500x200 (80x25 unless\n"
    "                    given); the script's first line says to replay it\n"
    "                    with the same --size\n"
    "  --help            this text\n"
    "  --version         the version\n"
    "\n"
    "Exit code: 0 the script was written; 1 a key no key string can type\n"
    "stopped the recording (the script holds what came before it); 2 bad\n"
    "arguments, or the command or the script could not be started or\n"
    "written; 128 + N signal N.\n";

constexpr char kStopKey = 0x1d;
constexpr char kStopKeyName[] = "Ctrl+]";
// How long a look at the screen may wait for something to happen.
constexpr int kLookEveryMs = 50;

struct Recording {
  recorder::KeyDecoder decoder;
  std::unique_ptr<recorder::Recorder> recorder;
  bool stopped = false;
  std::string no_key;  // bytes no key string types, when they stopped it
  std::string replay;  // the command that replays the script
};

Recording* recording = nullptr;

std::int64_t NowMs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return std::int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
}

recorder::Shot LookAtScreen() {
  posix::ScreenModel& screen = posix::Screen();
  static std::vector<char> row;
  row.resize(static_cast<std::size_t>(screen.columns()) * posix::kMaxCellBytes);
  recorder::Shot shot;
  for (int r = 0; r < screen.rows(); ++r)
    shot.rows.emplace_back(row.data(), screen.ReadRow(r, 0, row.data(), row.size()));
  int column = 0;
  screen.CursorAt(&shot.cursor_row, &column);
  const std::size_t after = screen.ReadRow(shot.cursor_row, column, row.data(), row.size());
  shot.cursor_byte = shot.rows[shot.cursor_row].size() - after;
  return shot;
}

// The person's keys: read back as key strings, then typed on the console
// as a send would type them, so the programs get what a replay gives them.
void OnTyped(const char* bytes, std::size_t length) {
  Recording& r = *recording;
  if (r.stopped) return;
  const std::string typed(bytes, length);
  std::vector<recorder::Key> keys;
  for (std::size_t pos = 0; pos < typed.size();) {
    if (typed[pos] == kStopKey) {
      r.stopped = true;
      break;
    }
    const recorder::Reading read = r.decoder.Read(typed, pos);
    if (read.kind == recorder::Typed::kNoKey) {
      r.no_key = typed.substr(pos, read.length);
      r.stopped = true;
      break;
    }
    if (read.kind == recorder::Typed::kKey) keys.push_back(*read.key);
    pos += read.length;
  }
  if (keys.empty()) return;
  r.recorder->Typed(keys, LookAtScreen(), NowMs());
  for (const recorder::Key& key : keys) {
    posix::KeyPress press = key.press;
    press.interrupt_char = posix::InterruptChar();
    posix::TypeKey(posix::Screen(), press);
  }
}

[[noreturn]] void Refuse(const std::string& message, bool usage) {
  fprintf(stderr, "klavrec: %s\n%s", message.c_str(), usage ? kUsage : "");
  exit(2);
}

struct Wanted {
  std::string script;
  std::vector<std::string> command;
  std::string replay = "klavrun";  // the command that replays the script
  int columns = 0, rows = 0;        // --size; 0 for the console's own
};

const std::vector<OptionRule> kKlavrecOptions = {
    {"help", 'h', false}, {"version", 0, false}, {"size", 0, true}};

// The options by the rules klavrun's are read by; SCRIPT [-- COMMAND...] after them.
Wanted ReadCommandLine(const std::vector<std::string>& args) {
  Arguments read;
  std::string error;
  if (!ReadArguments(args, kKlavrecOptions, &read, &error)) Refuse(error, true);
  Wanted recording;
  for (const GivenOption& given : read.Options) {
    if (given.Name == "help") {
      fputs(kUsage, stdout);
      exit(0);
    }
    if (given.Name == "version") {
      puts("klavrec " KLAVRUN_VERSION);
      exit(0);
    }
    if (!ParseSize(given.Value, &recording.columns, &recording.rows))
      Refuse("--size takes COLSxROWS from 20x5 to 500x200, such as 132x43, not '" +
                 Printable(given.Value) + "'",
             true);
    // The script cannot say its size: its first line tells the replay's.
    recording.replay = "klavrun --size " + given.Value;
  }
  const std::vector<std::string>& words = read.Operands;
  if (words.empty() || words[0] == "--") Refuse("no script to write", true);
  recording.script = words[0];
  if (words.size() > 1 && words[1] != "--")
    Refuse("\"" + Printable(words[1]) + "\": the command follows --", true);
  if (words.size() > 1) {
    recording.command.assign(words.begin() + 2, words.end());
    if (recording.command.empty()) Refuse("no command after --", true);
  } else {
    const char* shell = getenv("SHELL");
    recording.command.push_back(shell != nullptr && *shell != 0 ? shell : "/bin/sh");
  }
  return recording;
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Writes the script beside its name, then puts it in its place: a reader
// never sees half of it. "" or why not.
std::string SaveScript(int fd, const std::string& temporary, const std::string& path,
                       const std::string& text) {
  const bool written = WriteAll(fd, text) && fsync(fd) == 0;
  const int error = errno;
  close(fd);
  if (written && rename(temporary.c_str(), path.c_str()) == 0) return "";
  const std::string why = strerror(written ? errno : error);
  unlink(temporary.c_str());
  return "cannot write \"" + Printable(path) + "\": " + why;
}

std::string Hex(const std::string& bytes) {
  std::string hex;
  char byte[4];
  for (unsigned char c : bytes) {
    snprintf(byte, sizeof byte, "%s%02x", hex.empty() ? "" : " ", c);
    hex += byte;
  }
  return hex;
}

// What klavrec says as it ends, and its exit code.
struct LastWords {
  int exit_code;
  std::string text;
};

LastWords Written(const Recording& r, const std::string& shown, int exit_code) {
  if (!r.no_key.empty())
    return {1, "no key string types \"" + Printable(r.no_key) + "\" (bytes " + Hex(r.no_key) +
                   "): recording stopped before it; " + shown + " replays what came before"};
  const int sends = r.recorder->Sends();
  return {exit_code, "wrote " + shown + " (" + std::to_string(sends) +
                         (sends == 1 ? " send" : " sends") + "); replay it with: " + r.replay + " " + shown};
}

[[noreturn]] void Record(const Wanted& arguments, const std::string& command_line, int fd,
                         const std::string& temporary) {
  Recording r;
  r.replay = arguments.replay;
  recording = &r;
  r.recorder = std::make_unique<recorder::Recorder>(LookAtScreen(), NowMs());
  const std::string shown = Printable(arguments.script);
  const std::string hello = "klavrec: recording " + shown + "; " + kStopKeyName + " stops it\n";
  posix::WriteStderr(hello.data(), hello.size());
  // Keys typed before the program runs wait for it, recorded.
  posix::FilterTyped(OnTyped);
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back('\0');
  int exit_code = 0;
  try {
    if (!platform::CreateProcessA(nullptr, line.data(), nullptr, nullptr, 0, 0, nullptr, nullptr,
                                  nullptr, nullptr)) {
      close(fd);
      unlink(temporary.c_str());
      posix::EndRun(2, "klavrec: cannot start \"" + Printable(command_line) + "\": " +
                           InOutErrorMessage(platform::GetLastError()) + "\n");
    }
    while (!r.stopped && posix::Relay(kLookEveryMs)) r.recorder->Watch(LookAtScreen(), NowMs());
    posix::TakeIn();
  } catch (const platform::StopRequested& stop) {
    exit_code = static_cast<int>(stop.ExitCode);
  }
  const recorder::Shot end = LookAtScreen();
  r.recorder->End(end, NowMs());
  const std::string problem =
      SaveScript(fd, temporary, arguments.script, r.recorder->Script(command_line, arguments.replay));
  const LastWords words = problem.empty() ? Written(r, shown, exit_code) : LastWords{2, problem};
  // They begin a line of their own on the person's terminal.
  const bool mid_line = isatty(STDERR_FILENO) && end.cursor_byte > 0;
  posix::EndRun(words.exit_code, (mid_line ? "\nklavrec: " : "klavrec: ") + words.text + "\n");
}

}  // namespace

int main(int argc, char** argv) {
  const Wanted arguments = ReadCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  const std::string command_line = posix::JoinWords(arguments.command);
  if (command_line.find_first_of("\r\n\x1a") != std::string::npos)
    Refuse("a script line cannot hold the command: it has a line break or a Ctrl+Z", false);
  if (!isatty(STDIN_FILENO))
    Refuse("standard input is not a terminal: klavrec records what a person types there", false);
  struct stat found;
  if (stat(arguments.script.c_str(), &found) == 0 && S_ISDIR(found.st_mode))
    Refuse("\"" + Printable(arguments.script) + "\" is a folder", false);
  std::string temporary = arguments.script + ".XXXXXX";
  const int fd = mkostemp(&temporary[0], O_CLOEXEC);
  if (fd < 0)
    Refuse("cannot write \"" + Printable(arguments.script) + "\": " + strerror(errno), false);
  posix::BeginSession();
  if (arguments.columns > 0) posix::ResizeConsole(arguments.columns, arguments.rows);
  if (!posix::PersonAtTerminal()) {
    unlink(temporary.c_str());
    posix::EndRun(2, "klavrec: the terminal is not klavrec's: run it in the foreground\n");
  }
  Record(arguments, command_line, fd, temporary);
}
