// klavcheck: finds a script's mistakes before it runs. It reads each script
// as klavrun does and never starts a program, opens a window or sleeps.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/printable.h"
#include "runner/arguments.h"
#include "runner/errors.h"
#include "runner/globals.h"
#include "runner/script.h"
#include "tools/check_script.h"
#include "version.h"

#ifndef _WIN32
#include "platform/posix/processes/command_line.h"
#endif

namespace {

const char kUsage[] =
    "usage: klavcheck [--quiet] SCRIPT...\n"
    "\n"
    "Reads each SCRIPT as klavrun would, without running it, and prints what\n"
    "would fail or stop the run (errors) and what probably does not do what\n"
    "was meant (warnings), one line each: FILE:LINE:COLUMN: error: MESSAGE.\n"
    "\n"
    "  --quiet     no summary line\n"
    "  --help, -h  this text\n"
    "  --version   the version\n"
    "\n"
    "Exit code: 0 no error (warnings allowed), 1 an error, 2 a script that\n"
    "cannot be read.\n";

#ifndef _WIN32
// Why `start` would not find the program: the lookup klavrun makes.
std::string ProgramProblem(const std::string& command_line) {
  const std::vector<std::string> words = posix::SplitWords(command_line);
  if (words.empty() || words[0].empty()) return "no program to start: the line fails";
  const std::string& word = words[0];
  const bool path = word.find('/') != std::string::npos;
  switch (posix::FindProgram(word, std::getenv("PATH")).error) {
    case 0: return "";
    case 2: return "\"" + Printable(word) + (path ? "\" is not found" : "\" is not found on PATH");
    case 3: return "a folder on the way to \"" + Printable(word) + "\" does not exist";
    case 5: return "\"" + Printable(word) + "\" cannot be run (not an executable file)";
  }
  return "\"" + Printable(word) + "\" cannot be looked up";
}
#endif

// Checks one script; false when it cannot be read.
bool CheckScript(const std::string& path, const CheckSettings& settings,
                 std::vector<Finding>* findings) {
  ResetRunState();
  try {
    OpenScript(path.substr(0, platform::kMaxScriptPath));
    *findings = CheckOpenScript(settings);
    CloseScript();
    return true;
  } catch (const RaisedError& error) {
    CloseScript();
    // The runner's reader says what failed, as klavrun says it.
    std::fprintf(stderr, "klavcheck: %s\n", error.Why.c_str());
    return false;
  }
}

struct Totals {
  int errors = 0;
  int warnings = 0;
  int scripts = 0;
  bool unreadable = false;
};

void CheckAll(const std::vector<std::string>& paths, Totals* totals) {
  CheckSettings settings;
  settings.ScreenColumns = platform::kClassicColumns;
#ifndef _WIN32
  settings.ProgramProblem = ProgramProblem;
#endif
  for (const std::string& path : paths) {
    const std::string shown = Printable(path);
    std::vector<Finding> findings;
    if (!CheckScript(path, settings, &findings)) {
      totals->unreadable = true;
      continue;
    }
    ++totals->scripts;
    for (const Finding& f : findings) {
      ++(f.Error ? totals->errors : totals->warnings);
      std::printf("%s:%d:%d: %s: %s\n", shown.c_str(), f.Line, f.Column,
                  f.Error ? "error" : "warning", f.Message.c_str());
    }
  }
}

int Usage(const char* problem) {
  if (problem) std::fprintf(stderr, "klavcheck: %s\n", Printable(problem).c_str());
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  static const std::vector<OptionRule> kRules = {
      {"quiet", 0, false}, {"help", 'h', false}, {"version", 0, false}};
  Arguments args;
  std::string problem;
  if (!ReadArguments(std::vector<std::string>(argv + 1, argv + argc), kRules, &args, &problem))
    return Usage(problem.c_str());
  bool quiet = false;
  for (const GivenOption& given : args.Options) {
    if (given.Name == "help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (given.Name == "version") {
      std::printf("klavcheck %s\n", KLAVRUN_VERSION);
      return 0;
    }
    quiet = true;
  }
  const std::vector<std::string>& paths = args.Operands;
  if (paths.empty()) return Usage("no script given");

  Totals totals;
  CheckAll(paths, &totals);
  if (!quiet)
    std::printf("klavcheck: %d errors, %d warnings in %d scripts\n", totals.errors,
                totals.warnings, totals.scripts);
  std::fflush(stdout);
  return totals.unreadable ? 2 : totals.errors > 0 ? 1 : 0;
}
