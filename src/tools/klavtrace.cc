// klavtrace: runs a script as klavrun would, against a simulated world, and
// prints every platform call it makes, one line each, in order.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/record/record.h"
#include "runner/main.h"
#include "tools/record_script.h"

namespace {

const char kUsage[] =
    "usage: klavtrace [--screen FILE] SCRIPT\n"
    "\n"
    "Runs SCRIPT as klavrun would, without touching the system, and prints\n"
    "every platform call it makes, one per line. klavrun's own output shows\n"
    "only inside WriteFile(...) lines.\n"
    "\n"
    "  --screen FILE  the console screen: the first 25 lines of FILE, each\n"
    "                 cut to 80 characters (default: a blank screen)\n"
    "  --help         this text\n"
    "\n"
    "A trace that waits on a screen that never changes stops after 10000\n"
    "captures with \"trace stopped: waiting on the screen\" and exit code 2.\n";

std::string KlavrunPath() {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "klavrun";
  std::string path(self, static_cast<std::size_t>(n));
  return path.substr(0, path.find_last_of('/') + 1) + "klavrun";
}

bool LoadScreen(const char* path, std::vector<std::string>* rows) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  while (rows->size() < 25 && std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > 80) line.resize(80);
    rows->push_back(line);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args;
  const char* screen_file = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (args.empty() && (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h"))) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (args.empty() && !std::strcmp(argv[i], "--screen")) {
      if (i + 1 >= argc) {
        std::fputs("klavtrace: --screen needs a file\n", stderr);
        return 2;
      }
      screen_file = argv[++i];
      continue;
    }
    args.push_back(argv[i]);
  }
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  record::World& world = record::TheWorld();
  world.ProgramPath = KlavrunPath();
  world.Windows = {{record::kConsoleWindow, world.ProgramPath}};
  if (screen_file) {
    std::vector<std::string> rows;
    if (!LoadScreen(screen_file, &rows)) {
      std::fprintf(stderr, "klavtrace: cannot read %s: %s\n", screen_file, std::strerror(errno));
      return 2;
    }
    world.Screens.push_back(rows);
  }
  if (args.size() == 1) LoadScript(args[0].substr(0, 259), world);

  world.Sink = stdout;
  world.CaptureLimit = 10000;
  world.OnCaptureLimit = [] {
    std::fputs("trace stopped: waiting on the screen\n", stdout);
    std::fflush(stdout);
    std::_Exit(2);
  };
  world.OnExit = [](platform::UINT code) {
    std::fflush(stdout);
    std::_Exit(static_cast<int>(code));
  };
  ProgramEntry(args);
}
