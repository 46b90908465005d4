// The benchmark's yardstick: the console workloads driven as fast as the
// kernel allows, by a tight loop over a pseudo-terminal that reads the
// program's output as a stream (no screen) and writes as soon as it can.
//
//   klavlimit pingpong HELPER ROUNDS [LATENCY_FILE]
//   klavlimit flood HELPER MB
//   klavlimit typing LINE COUNT    COUNT-1 copies of LINE, then
//                                  "last line typed", typed into cat
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

// How long a reader keeps reading before it sleeps until output comes: about
// as long as klavrun's wait loop goes round before it sleeps.
constexpr long kSpinMicroseconds = 50;

// The pseudo-terminal's master side, with the program on the other side.
struct Console {
  int master = -1;
  pid_t child = -1;
  std::string tail;  // the last bytes read, for texts split between reads
};

Console Start(const std::vector<std::string>& argv) {
  Console c;
  winsize size = {};
  size.ws_row = 25;
  size.ws_col = 80;
  c.child = forkpty(&c.master, nullptr, nullptr, &size);
  if (c.child < 0) {
    perror("forkpty");
    exit(2);
  }
  if (c.child == 0) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    setenv("TERM", "xterm-256color", 1);
    execvp(args[0], args.data());
    _exit(127);
  }
  fcntl(c.master, F_SETFL, fcntl(c.master, F_GETFL) | O_NONBLOCK);
  return c;
}

// Takes in one read's worth, if there is any (*got says); true once `text`
// has shown in the stream since the last time it was found.
bool ReadFinds(Console& c, const std::string& text, bool* got = nullptr) {
  char buffer[65536];
  ssize_t n = read(c.master, buffer, sizeof buffer);
  if (got != nullptr) *got = n > 0;
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return false;
  if (n <= 0) {
    fprintf(stderr, "klavlimit: the program ended before \"%s\"\n", text.c_str());
    exit(1);
  }
  c.tail.append(buffer, static_cast<std::size_t>(n));
  if (c.tail.find(text) != std::string::npos) {
    c.tail.clear();
    return true;
  }
  if (c.tail.size() > text.size()) c.tail.erase(0, c.tail.size() - text.size());
  return false;
}

long Microseconds() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000000L + now.tv_nsec / 1000;
}

// Reads again at once for a short while, then sleeps until there is more:
// on a busy machine a process that went to sleep waits to be woken, which
// one still running does not.
void AwaitText(Console& c, const std::string& text) {
  long spun_since = Microseconds();
  for (;;) {
    bool got = false;
    if (ReadFinds(c, text, &got)) return;
    if (got) {
      spun_since = Microseconds();
    } else if (Microseconds() - spun_since > kSpinMicroseconds) {
      pollfd fd = {c.master, POLLIN, 0};
      poll(&fd, 1, -1);
      spun_since = Microseconds();
    }
  }
}

void WriteAll(Console& c, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(c.master, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EAGAIN) {
      pollfd fd = {c.master, POLLOUT, 0};
      poll(&fd, 1, -1);
    } else if (!(n < 0 && errno == EINTR)) {
      exit(1);
    }
  }
}

void Finish(Console& c) {
  kill(c.child, SIGHUP);
  close(c.master);
  waitpid(c.child, nullptr, 0);
}

int PingPong(const std::string& helper, long rounds, const char* latency_file) {
  std::vector<std::string> argv = {helper, "pingpong", std::to_string(rounds)};
  if (latency_file != nullptr) argv.push_back(latency_file);
  Console c = Start(argv);
  for (long i = 1; i <= rounds; ++i) {
    char text[32];
    snprintf(text, sizeof text, "ready %04ld", i);
    AwaitText(c, text);
    WriteAll(c, "x\r");
  }
  AwaitText(c, "finished");
  Finish(c);
  return 0;
}

int Flood(const std::string& helper, long megabytes) {
  Console c = Start({helper, "flood", std::to_string(megabytes)});
  AwaitText(c, "flood end");
  Finish(c);
  return 0;
}

// Types while draining the echo, as a terminal would take it in.
int Typing(const std::string& line, long count) {
  std::string keys;
  for (long i = 1; i < count; ++i) keys += line + "\r";
  keys += "last line typed\r";
  Console c = Start({"cat"});
  std::size_t done = 0;
  bool seen = false;
  while (!seen) {
    pollfd fd = {c.master, static_cast<short>(POLLIN | (done < keys.size() ? POLLOUT : 0)), 0};
    poll(&fd, 1, -1);
    if (fd.revents & POLLIN) seen = ReadFinds(c, "last line typed");
    if (done < keys.size() && (fd.revents & POLLOUT)) {
      ssize_t n = write(c.master, keys.data() + done, keys.size() - done);
      if (n > 0) done += static_cast<std::size_t>(n);
    }
  }
  Finish(c);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "pingpong" && (argc == 4 || argc == 5))
    return PingPong(argv[2], atol(argv[3]), argc == 5 ? argv[4] : nullptr);
  if (mode == "flood" && argc == 4) return Flood(argv[2], atol(argv[3]));
  if (mode == "typing" && argc == 4) return Typing(argv[2], atol(argv[3]));
  fprintf(stderr, "usage: klavlimit pingpong HELPER ROUNDS [LATENCY_FILE] | "
                  "flood HELPER MB | typing LINE COUNT\n");
  return 2;
}
