// A small console program for klavrun's console tests and benchmark.
//
//   klavhelper prompt OUT [TEXT]   prints TEXT (default "name? "), reads a
//                                  line, writes its bytes to OUT
//   klavhelper keys OUT [app]      raw mode ("app": application cursor and
//                                  keypad), prints "ready", writes every
//                                  byte up to a "!" to OUT, prints "done"
//   klavhelper askpos OUT COUNT AT raw mode, echoes and records COUNT bytes,
//                                  asking for the cursor's place after AT
//                                  keys (OUT.answer gets the answer), then
//                                  prints "done COUNT"
//   klavhelper fullscreen OUT      draws on the alternate screen with the
//                                  cursor hidden and a title, then as
//                                  keys OUT app
//   klavhelper pingpong N [LAT]    "ready 0001", reads a line, ... then
//                                  "finished"; LAT gets each round's
//                                  microseconds from "ready" to the line
//   klavhelper flood MB            writes MB megabytes of lines, then
//                                  "flood end", then waits for its input
//   klavhelper about OUT           writes to OUT the terminal it runs on:
//                                  size, TERM, foreground, open descriptors
//   klavhelper spinner MS          a spinner for MS ms (-1: for ever), then
//                                  "result: 42", then colour and cursor
//                                  changes only
//   klavhelper survivor OUT        prints "survivor ready" and ends, leaving
//                                  a process in its group, out of the
//                                  console's foreground, that writes to
//                                  OUT.done the signals it gets in 2 s
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <string>

namespace {

void Say(const std::string& text) {
  const char* p = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    ssize_t n = write(STDOUT_FILENO, p, left);
    if (n <= 0) exit(3);
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}

void Save(const char* path, const std::string& bytes) {
  FILE* out = fopen(path, "wb");
  if (out == nullptr) exit(4);
  fwrite(bytes.data(), 1, bytes.size(), out);
  fclose(out);
}

termios RawMode() {
  termios saved;
  tcgetattr(STDIN_FILENO, &saved);
  termios raw = saved;
  cfmakeraw(&raw);
  tcsetattr(STDIN_FILENO, TCSANOW, &raw);
  return saved;
}

int Prompt(const char* out, const char* text) {
  Say(text);
  std::string line;
  char c;
  while (read(STDIN_FILENO, &c, 1) == 1 && c != '\n') line += c;
  Save(out, line);
  Say("got it\n");
  return 0;
}

int Keys(const char* out, bool app) {
  termios saved = RawMode();
  if (app) Say("\x1b[?1h\x1b=");
  Say("ready\r\n");
  std::string got;
  char c;
  while (read(STDIN_FILENO, &c, 1) == 1 && c != '!') got += c;
  Save(out, got);
  if (app) Say("\x1b[?1l\x1b>");
  tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  Say("done\r\n");
  return 0;
}

// Raw mode; echoes the keys, and after `at` of them asks the terminal where
// its cursor is and picks the answer out of the keys that keep coming. OUT gets the keys,
// OUT.answer the answer, a blank, and how many keys came between the
// question and the answer's end.
int AskPosition(const char* out, long count, long at) {
  termios saved = RawMode();
  Say("ready\r\n");
  std::string keys, answer;
  bool asked = false, in_answer = false;
  long between = -1;
  char buffer[4096];
  while (static_cast<long>(keys.size()) < count || in_answer || (asked && between < 0)) {
    long want = sizeof buffer;
    if (!asked) want = std::min(want, at - static_cast<long>(keys.size()));
    ssize_t n = read(STDIN_FILENO, buffer, static_cast<std::size_t>(want));
    if (n <= 0) break;
    std::string echo;
    for (ssize_t i = 0; i < n; ++i) {
      if (buffer[i] == '\x1b' || in_answer) {
        answer += buffer[i];
        in_answer = buffer[i] != 'R';
        if (!in_answer) between = static_cast<long>(keys.size()) - at;
      } else {
        keys += buffer[i];
        echo += buffer[i];
      }
    }
    Say(echo);
    if (!asked && static_cast<long>(keys.size()) == at) {
      Say("\x1b[6n");
      asked = true;
    }
  }
  Save(out, keys);
  Save((std::string(out) + ".answer").c_str(), answer + " " + std::to_string(between));
  tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  Say("\r\ndone " + std::to_string(keys.size()) + "\r\n");
  return 0;
}

int FullScreen(const char* out) {
  Say("\x1b]0;helper title\a\x1b[?1049h\x1b[?25l\x1b[2J\x1b[10;30HFULL SCREEN\x1b[25;1Hstatus line");
  Say("\x1b[1;1H");
  return Keys(out, true);
}

long Microseconds() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000000L + now.tv_nsec / 1000;
}

int PingPong(long rounds, const char* latency_file) {
  char line[256];
  std::string latencies;
  for (long i = 1; i <= rounds; ++i) {
    char text[64];
    snprintf(text, sizeof text, "ready %04ld\n", i);
    long asked = Microseconds();
    Say(text);
    if (fgets(line, sizeof line, stdin) == nullptr) return 1;
    latencies += std::to_string(Microseconds() - asked) + "\n";
  }
  if (latency_file != nullptr) Save(latency_file, latencies);
  Say("finished\n");
  return 0;
}

int Flood(long megabytes) {
  std::string block;
  for (int i = 0; block.size() < 1024 * 1024; ++i) {
    char text[96];
    snprintf(text, sizeof text, "line %08d the quick brown fox jumps over the lazy dog 0123456789\n", i);
    block += text;
  }
  for (long i = 0; i < megabytes; ++i) Say(block);
  Say("flood end\n");
  char c;
  while (read(STDIN_FILENO, &c, 1) > 0) {
  }
  return 0;
}

int About(const char* out) {
  std::string report;
  winsize size = {};
  ioctl(STDIN_FILENO, TIOCGWINSZ, &size);
  report += "size " + std::to_string(size.ws_row) + "x" + std::to_string(size.ws_col) + "\n";
  const char* term = getenv("TERM");
  report += std::string("term ") + (term ? term : "") + "\n";
  report += std::string("foreground ") +
            (tcgetpgrp(STDIN_FILENO) == getpgrp() ? "yes" : "no") + "\n";
  report += std::string("tty ") + (ttyname(STDIN_FILENO) ? "yes" : "no") + "\n";
  DIR* fds = opendir("/proc/self/fd");
  int own = fds ? dirfd(fds) : -1;
  while (dirent* entry = fds ? readdir(fds) : nullptr) {
    if (entry->d_name[0] == '.' || atoi(entry->d_name) == own) continue;
    char target[512] = {};
    std::string link = std::string("/proc/self/fd/") + entry->d_name;
    ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    report += std::string("fd ") + entry->d_name + " " + (n > 0 ? target : "?") + "\n";
  }
  if (fds) closedir(fds);
  Save(out, report);
  Say("about written\n");
  return 0;
}

// Turns a spinner every 50 ms for `ms` milliseconds (-1: for ever), prints
// "result: 42", then keeps changing only colours and the cursor.
int Spinner(long ms) {
  const char kTurns[] = "|/-\\";
  timespec pause = {0, 50 * 1000 * 1000};
  for (long waited = 0, i = 0; ms < 0 || waited < ms; waited += 50, ++i) {
    Say(std::string("\rworking ") + kTurns[i % 4]);
    nanosleep(&pause, nullptr);
  }
  Say("\r\nresult: 42\r\n");
  for (long i = 0;; ++i) {
    Say(i % 2 ? "\x1b[31m\x1b[5;5H" : "\x1b[0m\x1b[10;1H");
    nanosleep(&pause, nullptr);
  }
}

int survivor_log = -1;

void Note(int signal_number, siginfo_t* info, void*) {
  (void)info;
  const char* name = strsignal(signal_number);
  ssize_t ignored = write(survivor_log, name, strlen(name));
  (void)ignored;
}

int Survivor(const char* out) {
  pid_t child = fork();
  if (child != 0) {
    Say("survivor ready\n");
    return 0;
  }
  // Out of the console's foreground, so that its hang-up passes it by:
  // what it gets then comes from klavrun alone.
  signal(SIGTTOU, SIG_IGN);
  tcsetpgrp(STDIN_FILENO, getsid(0));
  survivor_log = open(out, O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0644);
  struct sigaction action = {};
  action.sa_sigaction = Note;
  action.sa_flags = SA_SIGINFO;
  for (int signal_number : {SIGHUP, SIGCONT, SIGTERM}) sigaction(signal_number, &action, nullptr);
  // Lives a while after the console has gone, to see what comes.
  unsigned left = 2;
  while ((left = sleep(left)) > 0) {
  }
  close(survivor_log);
  rename(out, (std::string(out) + ".done").c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "prompt" && argc >= 3) return Prompt(argv[2], argc > 3 ? argv[3] : "name? ");
  if (mode == "keys" && argc >= 3) return Keys(argv[2], argc > 3 && std::string(argv[3]) == "app");
  if (mode == "askpos" && argc == 5) return AskPosition(argv[2], atol(argv[3]), atol(argv[4]));
  if (mode == "fullscreen" && argc == 3) return FullScreen(argv[2]);
  if (mode == "pingpong" && (argc == 3 || argc == 4))
    return PingPong(atol(argv[2]), argc == 4 ? argv[3] : nullptr);
  if (mode == "flood" && argc == 3) return Flood(atol(argv[2]));
  if (mode == "about" && argc == 3) return About(argv[2]);
  if (mode == "spinner" && argc == 3) return Spinner(atol(argv[2]));
  if (mode == "survivor" && argc == 3) return Survivor(argv[2]);
  fprintf(stderr, "usage: klavhelper prompt|keys|askpos|fullscreen|pingpong|flood|about|spinner|survivor ...\n");
  return 2;
}
