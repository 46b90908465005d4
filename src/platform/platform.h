// The operating-system calls the core makes, under their Win32 names.
//
// The core (runner/, keys/) calls nothing else and includes no OS header.
// One implementation is linked into each program:
//   platform/win32   the real Win32 calls (klavrun.exe)
//   platform/posix   a console of its own on Linux (klavrun)
//   platform/record  records every call, answers from a simulated world
//                    (unit tests, klavtrace)
// The types mirror the Win32 ones closely enough that the win32 layer is a
// thin translation; handles and window handles are plain integers.
#ifndef KLAVRUN_PLATFORM_PLATFORM_H_
#define KLAVRUN_PLATFORM_PLATFORM_H_

#include <cstddef>
#include <cstdint>

namespace platform {

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using SHORT = std::int16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using CHAR = char;
using HANDLE = std::uintptr_t;
using HWND = std::uintptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

constexpr DWORD STD_INPUT_HANDLE = static_cast<DWORD>(-10);
constexpr DWORD STD_OUTPUT_HANDLE = static_cast<DWORD>(-11);
constexpr DWORD STD_ERROR_HANDLE = static_cast<DWORD>(-12);
constexpr HANDLE INVALID_HANDLE_VALUE = static_cast<HANDLE>(-1);

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;

constexpr DWORD FILE_TYPE_UNKNOWN = 0;
constexpr DWORD FILE_TYPE_DISK = 1;
constexpr DWORD FILE_TYPE_CHAR = 2;
constexpr DWORD FILE_TYPE_PIPE = 3;

constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_WRITE_FAULT = 29;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_READ_FAULT = 30;
constexpr DWORD ERROR_HANDLE_DISK_FULL = 39;
constexpr DWORD ERROR_FILE_EXISTS = 80;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_BROKEN_PIPE = 109;
constexpr DWORD ERROR_BAD_EXE_FORMAT = 193;
constexpr DWORD ERROR_ENVVAR_NOT_FOUND = 203;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
constexpr DWORD ERROR_CANT_RESOLVE_FILENAME = 1921;

constexpr DWORD STARTF_USESTDHANDLES = 0x100;
constexpr DWORD NORMAL_PRIORITY_CLASS = 0x20;

constexpr UINT PM_REMOVE = 0x1;
constexpr UINT WM_QUIT = 0x12;
constexpr UINT WM_KEYFIRST = 0x100;
constexpr UINT WM_KEYLAST = 0x108;

constexpr DWORD KEYEVENTF_EXTENDEDKEY = 0x1;
constexpr DWORD KEYEVENTF_KEYUP = 0x2;
constexpr UINT MAPVK_VK_TO_VSC = 0;
constexpr UINT MB_OK = 0x0;

constexpr BYTE VK_CANCEL = 0x03;
constexpr BYTE VK_BACK = 0x08;
constexpr BYTE VK_TAB = 0x09;
constexpr BYTE VK_RETURN = 0x0D;
constexpr BYTE VK_SHIFT = 0x10;
constexpr BYTE VK_CONTROL = 0x11;
constexpr BYTE VK_MENU = 0x12;
constexpr BYTE VK_CAPITAL = 0x14;
constexpr BYTE VK_ESCAPE = 0x1B;
constexpr BYTE VK_PRIOR = 0x21;
constexpr BYTE VK_NEXT = 0x22;
constexpr BYTE VK_END = 0x23;
constexpr BYTE VK_HOME = 0x24;
constexpr BYTE VK_LEFT = 0x25;
constexpr BYTE VK_UP = 0x26;
constexpr BYTE VK_RIGHT = 0x27;
constexpr BYTE VK_DOWN = 0x28;
constexpr BYTE VK_PRINT = 0x2A;
constexpr BYTE VK_INSERT = 0x2D;
constexpr BYTE VK_DELETE = 0x2E;
constexpr BYTE VK_HELP = 0x2F;
constexpr BYTE VK_F1 = 0x70;
constexpr BYTE VK_F16 = 0x7F;
constexpr BYTE VK_NUMLOCK = 0x90;
constexpr BYTE VK_SCROLL = 0x91;

/// A classic console's screen: what the Linux console gives its programs
/// and what the recording platform shows.
constexpr int kClassicRows = 25;
constexpr int kClassicColumns = 80;
/// The most characters of a script's path that are used (a Win32 path of
/// MAX_PATH, less its NUL); the rest is dropped.
constexpr std::size_t kMaxScriptPath = 259;

/// The 32-bit Win32 layout: cb is 68 there, whatever sizeof says here.
struct STARTUPINFOA {
  DWORD cb;
  char* lpReserved;
  char* lpDesktop;
  char* lpTitle;
  DWORD dwX, dwY, dwXSize, dwYSize;
  DWORD dwXCountChars, dwYCountChars, dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  BYTE* lpReserved2;
  HANDLE hStdInput;
  HANDLE hStdOutput;
  HANDLE hStdError;
};

struct PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
};

/// Column in the low 16 bits, row in the high 16 bits when packed.
struct COORD {
  SHORT X;
  SHORT Y;
};

struct POINT {
  std::int32_t x;
  std::int32_t y;
};

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};

/// A plain function: the win32 layer supplies the calling convention.
using WNDENUMPROC = BOOL (*)(HWND, LPARAM);

// kernel32
const char* GetCommandLineA();
DWORD GetModuleFileNameA(HANDLE module, char* filename, DWORD size);
HANDLE GetStdHandle(DWORD which);
HANDLE CreateFileA(const char* name, DWORD access, DWORD share,
                   void* security, DWORD disposition, DWORD flags,
                   HANDLE template_file);
BOOL ReadFile(HANDLE file, void* buffer, DWORD to_read, DWORD* read,
              void* overlapped);
BOOL WriteFile(HANDLE file, const void* buffer, DWORD to_write,
               DWORD* written, void* overlapped);
BOOL CloseHandle(HANDLE handle);
/// CreateFileA with GENERIC_WRITE and CREATE_NEW makes a new file that only
/// its owner may read (Linux: mode 0600), never through a symbolic link;
/// an existing name fails with ERROR_FILE_EXISTS. Other ways of opening a
/// file for writing are not available on every platform.
BOOL MoveFileExA(const char* existing, const char* new_name, DWORD flags);
BOOL DeleteFileA(const char* name);
DWORD GetCurrentProcessId();
DWORD GetFileType(HANDLE file);
/// Writes out whatever the platform still buffers, then ends the process.
[[noreturn]] void ExitProcess(UINT exit_code);
void Sleep(DWORD milliseconds);
BOOL CreateProcessA(const char* application, char* command_line,
                    void* process_attributes, void* thread_attributes,
                    BOOL inherit_handles, DWORD creation_flags,
                    void* environment, const char* current_directory,
                    STARTUPINFOA* startup_info,
                    PROCESS_INFORMATION* process_information);
DWORD GetLastError();
void SetLastError(DWORD error);
BOOL ReadConsoleOutputCharacterA(HANDLE output, char* buffer, DWORD length,
                                 COORD read_at, DWORD* read);
HWND GetConsoleWindow();
/// Nonzero when `handle` is a console handle (the console klavrun drives).
BOOL GetConsoleMode(HANDLE handle, DWORD* mode);
/// The value of environment variable `name`: its length when it fits in
/// `size` bytes with its NUL, else the size it needs; 0 with
/// ERROR_ENVVAR_NOT_FOUND when it is not set.
DWORD GetEnvironmentVariableA(const char* name, char* buffer, DWORD size);
/// Milliseconds since some fixed moment, never going back: the clock of the
/// wait time-outs.
std::uint64_t GetTickCount64();

/// The size of the screen the wait commands read: the rows of the console's
/// visible window, and how many bytes one of its rows may take (one byte a
/// cell on Windows; UTF-8 on Linux may take more). ReadConsoleOutputCharacterA
/// counts rows from the top of that window.
///
/// Not a Win32 call but a property of the console (Win32 takes it from
/// GetConsoleScreenBufferInfo's srWindow): the recording platform answers it
/// without a trace line, so the trace of a capture stays its row reads.
struct ScreenSize {
  int Rows;
  int RowBytes;
};
ScreenSize ConsoleScreenSize(HANDLE output);

/// Rows that scrolled off the top of the console's window: `rows` holds one
/// or more, oldest first, each as ReadConsoleOutputCharacterA reads a row of
/// the window but without the blanks at its end, and ended by '\n'. The
/// handler makes no platform call.
using SCROLLEDROWSPROC = void (*)(const char* rows, std::size_t length, LPARAM param);

/// While a handler is set, the rows that leave the console's window at its
/// top (pushed up by output below them) go to it, as far as the console still
/// holds them: a read of the window's row 0 hands over every row that left
/// before it. Rows that left before the handler was set never do, nor rows
/// of a screen a program draws in place of the main one. Setting a handler
/// first hands the rows that left so far to the one set before; a null
/// handler stops it.
///
/// A property of the console, like ConsoleScreenSize: no trace line. Costs
/// nothing while no handler is set.
void SetConsoleScrolledRowsHandler(HANDLE output, SCROLLEDROWSPROC handler, LPARAM param);

/// False when nothing can change the console's screen any more: every
/// program klavrun started has ended and nobody types into the console.
/// Also a property rather than a call, answered without a trace line.
bool ConsoleCanChange();

/// What TypeQueuedKeys gave up: bytes of keys never typed, and whether the
/// programs stopped taking them (else none was left to take them).
struct KeysGivenUp {
  std::uint64_t Bytes;
  bool TimedOut;
};
/// At the end of a script that ran to its end: types the keys still queued
/// for the console's programs while a program klavrun started runs and
/// takes them, and gives up when none is left, or when the programs took
/// none for `idle_limit_ms` (0: no limit). Where keys reach the console's
/// input at once (Windows), there is never anything to give up. A property
/// rather than a call, answered without a trace line.
KeysGivenUp TypeQueuedKeys(DWORD idle_limit_ms);

/// True where command lines tell letter case apart (Linux): start then takes
/// its command line from the script line as written rather than from the
/// lower-cased one. False on Windows, where file names ignore case, and on
/// the recording platform, whose trace shows what Windows would do.
bool LetterCaseMatters();

/// The keys typed from now on, up to a call with nullptr, are a secret (a
/// value from the environment): what the platform writes about the run (a
/// recording, a trace) shows `placeholder` in their place, never the keys.
/// Not a Win32 call; nothing where nothing is written about the run.
void MarkSecretKeys(const char* placeholder);

/// Thrown out of a platform call when a stop signal (Linux: SIGINT,
/// SIGTERM, SIGHUP) asks the run to end: the core shows where the run stood
/// and ends the process with ExitCode (128 + the signal).
struct StopRequested {
  UINT ExitCode;
};

// user32
HWND FindWindowA(const char* class_name, const char* window_name);
BOOL EnumWindows(WNDENUMPROC callback, LPARAM param);
int GetWindowTextA(HWND window, char* buffer, int size);
BOOL SetForegroundWindow(HWND window);
BOOL SetWindowTextA(HWND window, const char* text);
SHORT VkKeyScanA(CHAR ch);
void keybd_event(BYTE vk, BYTE scan, DWORD flags, std::uintptr_t extra);
UINT MapVirtualKeyA(UINT code, UINT map_type);
SHORT GetKeyState(int vk);
BOOL GetKeyboardState(BYTE* state);
BOOL SetKeyboardState(BYTE* state);
/// Takes the next message of the thread's queue. With no window and no
/// filter (0, 0) from the wait loops' pump, this is also the one place where
/// a wait may sleep: when the queue is empty and the console has not changed
/// since the screen was last read, the platform may block here for a short
/// while (until the console changes, or a few milliseconds to a few hundred
/// pass) before answering 0. Any other filter never waits.
BOOL PeekMessageA(MSG* msg, HWND window, UINT filter_min, UINT filter_max,
                  UINT remove);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);

}  // namespace platform

#endif  // KLAVRUN_PLATFORM_PLATFORM_H_
