#include "runner/main.h"

#include <cstdio>

#include "platform/platform.h"
#include "runner/classify.h"
#include "runner/dispatch.h"
#include "runner/globals.h"
#include "runner/output.h"
#include "runner/script.h"

namespace {

// The longest script path that is used; the rest is dropped.
const std::size_t kMaxScriptPath = 259;

std::string ProgramPath() {
  char path[1024];
  platform::DWORD n = platform::GetModuleFileNameA(0, path, sizeof path);
  if (n >= sizeof path) n = sizeof path - 1;
  return std::string(path, n);
}

// The part of a path after its last separator. Windows paths use "\" and
// may carry a drive; POSIX paths use "/", which Windows file names never hold.
std::string FileNamePart(const std::string& path, const char* separators) {
  std::string::size_type cut = path.find_last_of(separators);
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

void PrintUsage() {
  WriteOutputLine("KLAVRUN 0.5BETA - drives console programs from a script of keystrokes and screen waits");
  WriteOutputLine("  Klavrun project; free software, no warranty");
  WriteOutputLine("  USAGE: Klavrun scriptfile");
  WriteOutputLine("");
}

void StartUp(const std::string& script_path) {
  Run.StdOutHandle = platform::GetStdHandle(platform::STD_OUTPUT_HANDLE);
  Run.StdInHandle = platform::GetStdHandle(platform::STD_INPUT_HANDLE);

  // The console window is titled with the program's path, or with its name
  // without the extension.
  const std::string path = ProgramPath();
  Run.ConsoleWindow = platform::FindWindowA(nullptr, path.c_str());
  if (!Run.ConsoleWindow) {
    std::string name = FileNamePart(path, "\\:/");
    name.resize(name.size() > 4 ? name.size() - 4 : 0);
    Run.ConsoleWindow = platform::FindWindowA(nullptr, name.c_str());
  }
  // Started from a command prompt, the console carries the prompt's title.
  if (!Run.ConsoleWindow) Run.ConsoleWindow = platform::GetConsoleWindow();

  OpenScript(script_path.substr(0, kMaxScriptPath));
  Run.ErrorText.clear();
  Run.LineDelay = 100;
  Run.CharDelay = 0;
}

void RunLoop() {
  Run.LineNumber = 0;
  while (!ScriptAtEnd()) {
    Run.CommandOk = false;
    std::string line = ReadScriptLine();
    CommandKind kind = ClassifyLine(line);
    ExecuteCommand(kind, line);
    if (!Run.CommandOk) {
      WriteOutputLine("Error at line: " + std::to_string(Run.LineNumber));
      if (!Run.ErrorText.empty()) WriteOutputLine(Run.ErrorText);
      return;
    }
  }
}

void RunProgram(const std::string& script_path) {
  StartUp(script_path);
  RunLoop();
  CloseScript();
}

// "Exception %s in module %s at %p.\n%s%s", then CR LF.
std::string UnhandledErrorReport(const RaisedError& error) {
  char location[16];
  std::snprintf(location, sizeof location, "%08X",
                static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(&RaiseInOutError)));
  std::string report = "Exception " + error.ClassName + " in module " +
                       FileNamePart(ProgramPath(), "\\/") + " at " + location +
                       ".\n" + error.Message;
  if (!error.Message.empty() && error.Message.back() != '.') report += ".";
  return report + "\r\n";
}

}  // namespace

void ProgramEntry(const std::vector<std::string>& args) {
  platform::UINT exit_code = 0;
  try {
    if (args.size() == 1 && args[0] != "/?" && args[0] != "?")
      RunProgram(args[0]);
    else
      PrintUsage();
    FlushOutput();
  } catch (const RaisedError& error) {
    exit_code = 1;
    try {
      WriteOutput(UnhandledErrorReport(error));
      FlushOutput();
    } catch (const RaisedError&) {
      // Standard output itself failed: there is nowhere left to report to.
    }
  }
  platform::ExitProcess(exit_code);
}

std::vector<std::string> SplitCommandLine(const char* command_line) {
  std::vector<std::string> args;
  const char* p = command_line;
  bool program_name = true;
  for (;;) {
    // Blanks, control characters and pairs of quotes before an argument.
    for (;;) {
      if (*p >= 1 && static_cast<unsigned char>(*p) <= ' ') ++p;
      else if (p[0] == '"' && p[1] == '"') p += 2;
      else break;
    }
    std::string arg;
    while (*p != '\0' && static_cast<unsigned char>(*p) > ' ') {
      if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') arg += *p++;
        if (*p == '"') ++p;
      } else {
        arg += *p++;
      }
    }
    if (arg.empty()) break;
    if (!program_name) args.push_back(arg);
    program_name = false;
  }
  return args;
}

RecordHook OnRecord = nullptr;
LineStartedHook OnLineStarted = nullptr;
