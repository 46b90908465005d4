// The recording platform: every call is written down as one line of text,
// and answered from a simulated world that tests and klavtrace set up.
//
// A line reads `Name(arg, ...)` or `Name(arg, ...) = result`: integers and
// handles in lower-case hexadecimal with 0x, texts in double quotes with \"
// and \\ escaped and bytes outside 0x20-0x7e as \xNN, out-buffers and
// structures as _.
#ifndef KLAVRUN_PLATFORM_RECORD_RECORD_H_
#define KLAVRUN_PLATFORM_RECORD_RECORD_H_

#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace record {

constexpr platform::HANDLE kStdIn = 0x3;
constexpr platform::HANDLE kStdOut = 0x7;
constexpr platform::HANDLE kStdErr = 0xb;
constexpr platform::HWND kConsoleWindow = 0x10010;

struct Window {
  platform::HWND Handle;
  std::string Title;
};

struct File {
  std::string Content;
  /// ReadFile fails with this code once the content is used up (0: the end).
  platform::DWORD ReadError = 0;
};

struct World {
  std::string ProgramPath = "C:\\klavrun\\klavrun.exe";
  std::string CommandLine;
  std::map<std::string, File> Files;
  /// CreateFileA of a path not in Files fails with this code (else 2).
  std::map<std::string, platform::DWORD> OpenErrors;
  platform::DWORD StdOutType = platform::FILE_TYPE_DISK;
  platform::DWORD WriteError = 0;  // WriteFile fails with it when not 0
  /// WriteFile to a file CreateFileA created fails with it when not 0.
  platform::DWORD FileWriteError = 0;
  /// MoveFileExA onto a path here fails with its code.
  std::map<std::string, platform::DWORD> MoveErrors;
  platform::DWORD ProcessId = 0x1000;

  /// Top-level windows in enumeration order. The console is the first.
  std::vector<Window> Windows{{kConsoleWindow, "C:\\klavrun\\klavrun.exe"}};
  platform::HWND ConsoleWindow = kConsoleWindow;
  platform::HWND Foreground = 0;

  platform::BOOL CreateProcessResult = 1;
  platform::DWORD CreateProcessError = 0;
  /// Copies of what the last CreateProcessA was given.
  platform::STARTUPINFOA LastStartup{};
  bool LastInheritHandles = false;
  platform::DWORD LastCreationFlags = 0;

  /// Screens in the order captures see them; the last one repeats. A screen
  /// is up to 25 rows; cells past a row's end and missing rows are blank.
  std::vector<std::vector<std::string>> Screens;
  /// The console window's size as ConsoleScreenSize reports it.
  int ScreenRows = platform::kClassicRows;
  int ScreenColumns = platform::kClassicColumns;
  bool ScreenReadFails = false;
  /// Rows that scroll off the top of the screen before each capture, in
  /// step with Screens (the last list does not repeat); a read of row 0
  /// hands them to the scrolled-rows handler, if one is set.
  std::vector<std::vector<std::string>> Scrolled;
  platform::SCROLLEDROWSPROC ScrolledRowsHandler = nullptr;
  platform::LPARAM ScrolledRowsParam = 0;
  int Captures = 0;  // reads of row 0 so far
  /// After this many captures (0: never) OnCaptureLimit runs.
  int CaptureLimit = 0;
  std::function<void()> OnCaptureLimit;

  /// The environment GetEnvironmentVariableA answers from.
  std::map<std::string, std::string> Environment;
  /// While keys are a secret (MarkSecretKeys), the calls that type them show
  /// _ for the key; this is its placeholder, "" when none.
  std::string SecretKeys;

  std::deque<platform::MSG> Messages;
  /// Called with every keybd_event, recorded or not (fuzz targets run
  /// quiet and still watch the keys).
  void (*OnKeyEvent)(platform::BYTE vk, platform::DWORD flags) = nullptr;
  platform::BYTE Keyboard[256] = {};

  /// What ExitProcess does after recording: by default it throws Exited.
  std::function<void(platform::UINT)> OnExit;

  std::string Output;  // every byte written to standard output
  std::vector<std::string> Calls;
  bool Quiet = false;  // answer without recording (benchmarks)
  std::FILE* Sink = nullptr;  // when set, each call line is printed here too
  platform::DWORD LastError = 0;
  /// GetTickCount64's answer: the simulated clock, in milliseconds. Sleep
  /// moves it on, and so does the pump's idle wait (IdleWaitMs).
  std::uint64_t Clock = 0;
  std::uint64_t IdleWaitMs = 20;
  bool ConsoleCanChange = true;
  bool StdErrIsConsole = false;
  std::string ErrorOutput;  // every byte written to standard error
};

/// Thrown by ExitProcess unless World::OnExit says otherwise.
struct Exited {
  platform::UINT Code;
};

/// The world every call of this platform answers from.
World& TheWorld();

/// A fresh world (and no calls recorded).
void ResetWorld();

/// Adds a call line (the formatting helpers below build it).
void Record(const std::string& line);

std::string Hex(std::uint64_t value);
std::string Quote(const std::string& text);

}  // namespace record

#endif  // KLAVRUN_PLATFORM_RECORD_RECORD_H_
