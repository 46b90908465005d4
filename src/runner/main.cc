#include "runner/main.h"

#include <cstdio>
#include <utility>

#include "platform/platform.h"
#include "platform/printable.h"
#include "runner/arguments.h"
#include "runner/classify.h"
#include "runner/dispatch.h"
#include "runner/errors.h"
#include "runner/explain.h"
#include "runner/globals.h"
#include "runner/junit_report.h"
#include "runner/output.h"
#include "runner/screen.h"
#include "runner/script.h"
#include "version.h"

namespace {

// A duration up to the largest wait_timeout.
constexpr std::int64_t kMaxDurationMs = 2147483647;

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

const char kUsage[] =
    "KLAVRUN 0.5BETA - drives console programs from a script of keystrokes and screen waits\r\n"
    "  Klavrun project; free software, no warranty\r\n"
    "  USAGE: Klavrun scriptfile\r\n"
    "\r\n";

const char kOptionsHelp[] =
    "  OPTIONS (before the script):\r\n"
    "    --timeout DURATION  end a wait that lasts longer, as a failed line: 30 or 30s,\r\n"
    "                        500ms, 2m (#define wait_timeout in the script overrides it)\r\n"
    "    --record FILE       record the console session as an asciicast (Linux)\r\n"
    "    --junit FILE        write a JUnit XML report of the run to FILE at its end\r\n"
    "    --size COLSxROWS    the console's size, 20x5 to 500x200 (Linux; 80x25 unless\r\n"
    "                        given)\r\n"
    "    --trace             each script line on standard error as it starts\r\n"
    "    --no-handover       when the script has ended, hang up the programs it\r\n"
    "                        started at once (Linux: a terminal with nobody at it)\r\n"
    "    --help, -h          this text\r\n"
    "    --version           the version\r\n"
    "    --                  the end of the options\r\n"
    "  EXIT CODES: 0 the script ran to its end, 1 an unhandled error, 2 a line failed\r\n"
    "  (or bad options), 128 + N a signal N ended the run (Linux)\r\n";

void PrintUsage() { WriteOutput(kUsage); }

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

  OpenScript(script_path.substr(0, platform::kMaxScriptPath));
  Run.ErrorText.clear();
  Run.LineDelay = 100;
  Run.CharDelay = 0;
}

// Fails the line being run with `message`, as a handler would.
void FailLine(const char* message) {
  Run.ErrorText = message;
  Run.CommandOk = false;
  ExplainFailure(message);
}

bool ReportFailedLine() {
  std::string report = "Error at line: " + std::to_string(Run.LineNumber) + "\r\n";
  if (!Run.ErrorText.empty()) report += Run.ErrorText + "\r\n";
  WriteReport(report);
  return false;
}

// True when the script ran to its end; false after a failed line's report.
bool RunLoop() {
  Run.LineNumber = 0;
  Run.LoopStarted = true;
  if (ScriptIsUtf16()) {
    Run.LineNumber = 1;
    FailLine(kScriptIsUtf16);
    return ReportFailedLine();
  }
  while (!ScriptAtEnd()) {
    Run.CommandOk = false;
    Run.Why.clear();
    Run.WhyWritten = false;
    std::string line = ReadScriptLine();
    if (Run.LineTooLong) {
      FailLine(kLineTooLong);
    } else {
      CommandKind kind = ClassifyLine(line);
      ExecuteCommand(kind, std::move(line));
    }
    if (!Run.CommandOk) return ReportFailedLine();
  }
  return true;
}

// A script has run to its end once the keys it typed are typed: keys the
// programs never take are lost data, and fail the run.
unsigned TypeTheRest() {
  const platform::KeysGivenUp left = platform::TypeQueuedKeys(Run.WaitTimeout);
  if (left.Bytes == 0) return kExitDone;
  WriteErrorOutput(std::string(EntryProgramName) + ": " + std::to_string(left.Bytes) +
                   " bytes of keys were given up at the end of the script: " +
                   (left.TimedOut ? "the programs took none for " +
                                        std::to_string(Run.WaitTimeout) + " ms (wait_timeout)"
                                  : std::string("no program the script started is left")) +
                   "\n");
  return kExitLineFailed;
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

// The console's screen on standard error, after the report on standard
// output, once the run has begun. Not when standard error is the console
// itself: the picture would land on the screen it shows.
void ShowScreen(const std::string& when) {
  if (!Run.LoopStarted) return;
  platform::HANDLE err = platform::GetStdHandle(platform::STD_ERROR_HANDLE);
  platform::DWORD mode = 0;
  if (platform::GetConsoleMode(err, &mode)) return;
  ScreenImage screen;
  CaptureScreen(screen);
  WriteErrorOutput("--- klavrun: " + when + " ---\n" + ScreenPicture(screen) +
                   "--- end of screen ---\n");
}

std::string AtLine() { return "at line " + std::to_string(Run.LineNumber); }

// Bad options: one line naming the problem and the usage text, on standard
// error. The line quotes arguments, which may hold anything.
[[noreturn]] void OptionError(const std::string& message) {
  WriteErrorOutput(std::string(EntryProgramName) + ": " + Printable(message) + "\n" + kUsage);
  platform::ExitProcess(kExitLineFailed);
}

// --help, --version and the usage text; false when a script is to run.
bool AnswerWithoutRunning(const Options& options, unsigned* exit_code) {
  *exit_code = kExitDone;
  if (options.Help) {
    WriteOutput(std::string(kUsage) + kOptionsHelp + "  VERSION: klavrun " + KLAVRUN_VERSION +
                "\r\n");
  } else if (options.Version) {
    WriteOutputLine(std::string("klavrun ") + KLAVRUN_VERSION);
  } else if (!options.AnyOption && (options.Scripts.size() != 1 || options.Scripts[0] == "/?" ||
                                    options.Scripts[0] == "?")) {
    PrintUsage();
    if (options.Scripts.size() < 2) return true;
    // A job that passes a word too many must not pass.
    WriteErrorOutput(std::string(EntryProgramName) + ": one script at a time: " +
                     Printable(options.Scripts[1]) + "\n");
    *exit_code = kExitLineFailed;
  } else {
    return false;
  }
  return true;
}

// What the options ask of the run before its start; "" or why it cannot.
std::string TakeOptions(const Options& options) {
  if (options.Trace) {
    platform::DWORD mode = 0;
    if (platform::GetConsoleMode(platform::GetStdHandle(platform::STD_ERROR_HANDLE), &mode))
      return std::string(EntryProgramName) +
             ": --trace writes to standard error, here the console whose screen the waits "
             "read: send it elsewhere (2> FILE)";
    Run.Trace = true;
    Run.StartedAt = platform::GetTickCount64();
  }
  if (options.TimeoutMs >= 0) {
    Run.WaitTimeout = static_cast<std::uint32_t>(options.TimeoutMs);
    Run.WaitTimeoutFrom = "--timeout " + Printable(options.TimeoutText);
  }
  if (options.Columns > 0) {
    if (!OnSize) return std::string(EntryProgramName) + ": --size is not available";
    const std::string note = OnSize(options.Columns, options.Rows);
    if (!note.empty()) WriteErrorOutput(note + "\n");
  }
  if (!options.Record) return "";
  return OnRecord ? OnRecord(options.RecordPath, options.Scripts[0])
                  : std::string(EntryProgramName) + ": --record is not available";
}

unsigned RunScriptFile(const Options& options) {
  unsigned exit_code;
  if (AnswerWithoutRunning(options, &exit_code)) return exit_code;
  if (options.Scripts.empty()) OptionError("no script given");
  if (options.Scripts.size() > 1) OptionError("one script at a time: " + options.Scripts[1]);
  const std::string refused = TakeOptions(options);
  if (!refused.empty()) {
    WriteErrorOutput(refused + "\n");
    return kExitLineFailed;
  }
  if (options.Junit) {
    std::string failure = BeginJunitReport(options.JunitPath, options.Scripts[0]);
    if (!failure.empty()) {
      WriteErrorOutput(failure + "\n");
      return kExitLineFailed;
    }
  }
  StartUp(options.Scripts[0]);
  const bool completed = RunLoop();
  CloseScript();
  if (completed) return TypeTheRest();
  WriteExplanation();
  ShowScreen("screen " + AtLine());
  return kExitLineFailed;
}

}  // namespace

const char* EntryProgramName = "klavrun";

bool ParseDuration(const std::string& text, std::int64_t* ms) {
  std::size_t i = 0;
  std::int64_t whole = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9' && whole <= kMaxDurationMs)
    whole = whole * 10 + (text[i++] - '0');
  if (i == 0) return false;
  const std::string unit = text.substr(i);
  std::int64_t scale = unit == "ms" ? 1 : (unit.empty() || unit == "s") ? 1000 : unit == "m" ? 60000 : 0;
  if (scale == 0 || whole > kMaxDurationMs / scale) return false;
  *ms = whole * scale;
  return true;
}

bool ParseSize(const std::string& text, int* columns, int* rows) {
  const std::size_t x = text.find('x');
  if (x == 0 || x == std::string::npos || x + 1 == text.size() || x > 3 || text.size() - x > 4)
    return false;
  int parts[2] = {0, 0};
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i == x) continue;
    if (text[i] < '0' || text[i] > '9') return false;
    int& part = parts[i > x];
    part = part * 10 + (text[i] - '0');
  }
  if (parts[0] < kMinColumns || parts[0] > kMaxColumns || parts[1] < kMinRows ||
      parts[1] > kMaxRows)
    return false;
  *columns = parts[0];
  *rows = parts[1];
  return true;
}

const std::vector<OptionRule> kKlavrunOptions = {
    {"help", 'h', false},   {"version", 0, false},     {"timeout", 0, true},
    {"record", 0, true},    {"trace", 0, false},       {"no-handover", 0, false},
    {"junit", 0, true},     {"size", 0, true},
};

bool ApplyOption(const GivenOption& given, Options* options, std::string* error) {
  if (given.Name == "help") options->Help = true;
  if (given.Name == "version") options->Version = true;
  if (given.Name == "trace") options->Trace = true;
  if (given.Name == "no-handover") options->HandOver = false;
  if (given.Name == "record") {
    options->Record = true;
    options->RecordPath = given.Value;
  }
  if (given.Name == "size" && !ParseSize(given.Value, &options->Columns, &options->Rows)) {
    *error = "--size takes COLSxROWS from 20x5 to 500x200, such as 132x43, not '" +
             Printable(given.Value) + "'";
    return false;
  }
  if (given.Name == "junit") {
    options->Junit = true;
    options->JunitPath = given.Value;
  }
  if (given.Name == "timeout") {
    if (!ParseDuration(given.Value, &options->TimeoutMs)) {
      *error = "--timeout takes a duration such as 30, 30s, 500ms or 2m, not '" + Printable(given.Value) + "'";
      return false;
    }
    options->TimeoutText = given.Value;
  }
  return true;
}

bool ParseOptions(const std::vector<std::string>& args, Options* options, std::string* error) {
  Arguments read;
  if (!ReadArguments(args, kKlavrunOptions, &read, error)) return false;
  for (const GivenOption& given : read.Options)
    if (!ApplyOption(given, options, error)) return false;
  options->Scripts = read.Operands;
  options->AnyOption = read.OptionsGiven;
  return true;
}

void ProgramEntry(const std::vector<std::string>& args) {
  Options options;
  std::string error;
  if (!ParseOptions(args, &options, &error)) OptionError(error);
  RunWithOptions(options);
}

void RunWithOptions(const Options& options) {
  unsigned exit_code = kExitDone;
  if (!options.HandOver && OnNoHandOver) OnNoHandOver();
  std::string unhandled;  // the message of the error that ended the run
  try {
    exit_code = RunScriptFile(options);
    FlushOutput();
  } catch (const RaisedError& error) {
    exit_code = kExitUnhandled;
    unhandled = error.Message;
    try {
      WriteReport(UnhandledErrorReport(error));
      if (!error.Why.empty())
        WriteErrorOutput(std::string(EntryProgramName) + ": " + error.Why + "\n");
      WriteExplanation();
      ShowScreen("screen " + AtLine());
    } catch (const platform::StopRequested& stop) {
      exit_code = stop.ExitCode;  // a stop signal during the report
    }
  } catch (const platform::StopRequested& stop) {
    exit_code = stop.ExitCode;
    WriteReport("");
    ShowScreen("interrupted " + AtLine());
  }
  platform::ExitProcess(EndJunitReport(exit_code, unhandled));
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
SizeHook OnSize = nullptr;
LineStartedHook OnLineStarted = nullptr;
NoHandOverHook OnNoHandOver = nullptr;
