// klavtrace: runs a script as klavrun would, against a simulated world, and
// prints every platform call it makes, one line each, in order.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/posix_file.h"
#include "platform/printable.h"
#include "platform/record/record.h"
#include "runner/arguments.h"
#include "runner/main.h"
#include "version.h"

namespace {

const char kUsage[] =
    "usage: klavtrace [--screen FILE] [--size COLSxROWS] [--timeout DURATION] [--trace] [--] SCRIPT\n"
    "\n"
    "Runs SCRIPT as klavrun would, without touching the system, and prints\n"
    "every platform call it makes, one per line. klavrun's own output shows\n"
    "only inside WriteFile(...) lines.\n"
    "\n"
    "  --screen FILE       the console screen: the first 25 lines of FILE, each\n"
    "                      cut to 80 characters (default: a blank screen)\n"
    "  --size COLSxROWS    as klavrun's: a screen of COLS x ROWS (20x5 to 500x200),\n"
    "                      and --screen's first ROWS lines cut to COLS characters\n"
    "  --timeout DURATION  as klavrun's, against the simulated clock: a Sleep\n"
    "                      moves it on, and so does each idle pass of a wait (20 ms)\n"
    "  --trace             as klavrun's, on the simulated clock\n"
    "  --version           the version\n"
    "  --help, -h          this text\n"
    "\n"
    "A trace that waits on a screen that never changes stops after 10000\n"
    "captures with \"trace stopped: waiting on the screen\" and exit code 3.\n"
    "Otherwise the exit code is klavrun's.\n";

std::string KlavrunPath() {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "klavrun";
  std::string path(self, static_cast<std::size_t>(n));
  return path.substr(0, path.find_last_of('/') + 1) + "klavrun";
}

// As many rows as the largest screen: the platform reads those of the
// screen's size.
bool LoadScreen(const char* path, std::vector<std::string>* rows) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  while (rows->size() < static_cast<std::size_t>(kMaxRows) && std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > static_cast<std::size_t>(kMaxColumns)) line.resize(kMaxColumns);
    rows->push_back(line);
  }
  return true;
}

std::string SizeScreen(int columns, int rows) {
  record::TheWorld().ScreenColumns = columns;
  record::TheWorld().ScreenRows = rows;
  return "";
}

// Puts the script into the simulated world as the real open and read give it.
void LoadScript(const std::string& path, record::World& world) {
  std::uint32_t error = 0;
  int fd = platform::OpenForReading(path.c_str(), &error);
  if (fd < 0) {
    world.OpenErrors[path] = error;
    return;
  }
  record::File file;
  char buf[65536];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n > 0) {
      file.Content.append(buf, static_cast<std::size_t>(n));
    } else {
      if (n < 0) file.ReadError = platform::Win32ErrorFromErrno(errno);
      break;
    }
  }
  close(fd);
  world.Files[path] = file;
}

[[noreturn]] void Refuse(const std::string& problem) {
  std::fprintf(stderr, "klavtrace: %s\n%s", Printable(problem).c_str(), kUsage);
  std::exit(2);
}

// klavrun's options and klavtrace's own, read the same way. Exits on --help,
// --version and a bad option.
Options TraceOptions(int argc, char** argv, std::string* screen_file) {
  std::vector<OptionRule> rules = kKlavrunOptions;
  rules.push_back({"screen", 0, true});
  Arguments args;
  std::string problem;
  if (!ReadArguments(std::vector<std::string>(argv + 1, argv + argc), rules, &args, &problem))
    Refuse(problem);
  Options options;
  for (const GivenOption& given : args.Options) {
    if (given.Name == "screen") {
      *screen_file = given.Value;
    } else if (given.Name == "record") {
      std::fputs("klavtrace: --record is refused: a trace runs nothing to record\n", stderr);
      std::exit(2);
    } else if (!ApplyOption(given, &options, &problem)) {
      Refuse(problem);
    }
  }
  if (options.Help) {
    std::fputs(kUsage, stdout);
    std::exit(0);
  }
  if (options.Version) {
    std::printf("klavtrace %s\n", KLAVRUN_VERSION);
    std::exit(0);
  }
  options.Scripts = args.Operands;
  options.AnyOption = args.OptionsGiven;
  if (options.Scripts.empty()) Refuse("no script given");
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  std::string screen_file;
  const Options options = TraceOptions(argc, argv, &screen_file);
  EntryProgramName = "klavtrace";
  OnSize = SizeScreen;

  record::World& world = record::TheWorld();
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const char* equals = std::strchr(*entry, '=');
    if (equals)
      world.Environment[std::string(*entry, static_cast<std::size_t>(equals - *entry))] =
          equals + 1;
  }
  world.ProgramPath = KlavrunPath();
  world.Windows = {{record::kConsoleWindow, world.ProgramPath}};
  if (!screen_file.empty()) {
    std::vector<std::string> rows;
    if (!LoadScreen(screen_file.c_str(), &rows)) {
      std::fprintf(stderr, "klavtrace: cannot read %s: %s\n", Quoted(screen_file).c_str(),
                   std::strerror(errno));
      return 2;
    }
    world.Screens.push_back(rows);
  }
  if (options.Scripts.size() == 1)
    LoadScript(options.Scripts[0].substr(0, platform::kMaxScriptPath), world);

  world.Sink = stdout;
  world.CaptureLimit = 10000;
  world.OnCaptureLimit = [] {
    std::fputs("trace stopped: waiting on the screen\n", stdout);
    std::fflush(stdout);
    std::_Exit(3);
  };
  world.OnExit = [](platform::UINT code) {
    std::fflush(stdout);
    std::fwrite(record::TheWorld().ErrorOutput.data(), 1, record::TheWorld().ErrorOutput.size(),
                stderr);
    std::_Exit(static_cast<int>(code));
  };
  RunWithOptions(options);
}
