// What a shell cannot play for klavrun's console cases and benchmark.
//
//   klavhelper askpos OUT COUNT AT raw mode, echoes and records COUNT bytes,
//                                  asking for the cursor's place after AT
//                                  keys (OUT.answer gets the answer), then
//                                  prints "done COUNT"
//   klavhelper pingpong N [LAT]    "ready 0001", reads a line, ... then
//                                  "finished"; LAT gets each round's
//                                  microseconds from "ready" to the line
//   klavhelper flood MB            writes MB megabytes of lines, then
//                                  "flood end", then waits for its input
//   klavhelper slowread OUT CHUNK MS COUNT  raw mode, "ready", then reads
//                                  CHUNK bytes at most every MS ms until
//                                  COUNT came (OUT gets them), and ends
//   klavhelper survivor OUT        prints "survivor ready" and ends, leaving
//                                  a process in its group, out of the
//                                  console's foreground, that writes to
//                                  OUT.done the signals it gets in 2 s
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
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

// A reader slower than the keys come: the console holds them back until it
// has nearly emptied its buffer. Each read goes to OUT at once, so that OUT
// holds what arrived however the reader ends.
int SlowRead(const char* out, long chunk, long pause_ms, long count) {
  RawMode();
  int file = open(out, O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0644);
  Say("ready\r\n");
  std::string buffer(static_cast<std::size_t>(chunk), '\0');
  const timespec pause = {pause_ms / 1000, pause_ms % 1000 * 1000000L};
  for (long got = 0; got < count;) {
    nanosleep(&pause, nullptr);
    ssize_t n = read(STDIN_FILENO, &buffer[0], buffer.size());
    if (n <= 0 || write(file, buffer.data(), static_cast<std::size_t>(n)) != n) return 1;
    got += n;
  }
  return 0;
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

int survivor_log = -1;

void Note(int signal_number) {
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
  for (int signal_number : {SIGHUP, SIGCONT, SIGTERM}) signal(signal_number, Note);
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
  if (mode == "askpos" && argc == 5) return AskPosition(argv[2], atol(argv[3]), atol(argv[4]));
  if (mode == "pingpong" && (argc == 3 || argc == 4))
    return PingPong(atol(argv[2]), argc == 4 ? argv[3] : nullptr);
  if (mode == "flood" && argc == 3) return Flood(atol(argv[2]));
  if (mode == "survivor" && argc == 3) return Survivor(argv[2]);
  if (mode == "slowread" && argc == 6)
    return SlowRead(argv[2], atol(argv[3]), atol(argv[4]), atol(argv[5]));
  fprintf(stderr, "usage: klavhelper askpos|pingpong|flood|survivor|slowread ...\n");
  return 2;
}
