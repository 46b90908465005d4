#include "platform/ascii.h"
#include "platform/record/record.h"

#include <algorithm>
#include <cstring>

#include "platform/us_layout.h"

namespace record {

namespace {

World* world = new World();  // never destroyed: exit paths may still record

struct OpenFile {
  std::string Path;
  std::size_t Pos = 0;
  bool Written = false;  // created by CreateFileA
};
std::map<platform::HANDLE, OpenFile> open_files;
platform::HANDLE next_file_handle = 0x100;

bool SameTitle(const std::string& a, const char* b) { return ascii::SameIgnoringCase(a, b); }

Window* FindByHandle(platform::HWND h) {
  for (Window& w : world->Windows)
    if (w.Handle == h && h != 0) return &w;
  return nullptr;
}

std::string Str(const char* text) { return text ? Quote(text) : "0x0"; }

template <typename T>
T Returned(const std::string& call, T value) {
  Record(call + " = " + Hex(static_cast<std::uint64_t>(value)));
  return value;
}

// The rows that scrolled off before capture `index` (0 first), as wide as
// the screen.
void HandOverScrolled(int index) {
  if (!world->ScrolledRowsHandler || index >= static_cast<int>(world->Scrolled.size())) return;
  std::string rows;
  for (std::string row : world->Scrolled[static_cast<std::size_t>(index)]) {
    row.resize(static_cast<std::size_t>(world->ScreenColumns), ' ');
    rows += row + '\n';
  }
  if (!rows.empty()) world->ScrolledRowsHandler(rows.data(), rows.size(), world->ScrolledRowsParam);
}

}  // namespace

World& TheWorld() { return *world; }

void ResetWorld() {
  *world = World();
  open_files.clear();
  next_file_handle = 0x100;
}

void Record(const std::string& line) {
  if (world->Quiet) return;
  world->Calls.push_back(line);
  if (world->Sink) {
    std::fputs(line.c_str(), world->Sink);
    std::fputc('\n', world->Sink);
  }
}

std::string Hex(std::uint64_t value) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(value));
  return buf;
}

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c > 0x7e) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

}  // namespace record

namespace platform {

using record::Hex;
using record::Quote;
using record::Record;
using record::Returned;
using record::SameTitle;
using record::Str;
using record::world;

const char* GetCommandLineA() {
  Record("GetCommandLineA() = " + Quote(world->CommandLine));
  return world->CommandLine.c_str();
}

DWORD GetModuleFileNameA(HANDLE module, char* filename, DWORD size) {
  const std::string& path = world->ProgramPath;
  DWORD n = size == 0 ? 0 : static_cast<DWORD>(std::min<std::size_t>(path.size(), size - 1));
  if (size) {
    std::memcpy(filename, path.data(), n);
    filename[n] = '\0';
  }
  return Returned("GetModuleFileNameA(" + Hex(module) + ", _, " + Hex(size) + ")", n);
}

HANDLE GetStdHandle(DWORD which) {
  HANDLE h = which == STD_OUTPUT_HANDLE ? record::kStdOut
             : which == STD_INPUT_HANDLE  ? record::kStdIn
             : which == STD_ERROR_HANDLE  ? record::kStdErr
                                          : INVALID_HANDLE_VALUE;
  return Returned("GetStdHandle(" + Hex(which) + ")", h);
}

HANDLE CreateFileA(const char* name, DWORD access, DWORD share, void* security,
                   DWORD disposition, DWORD flags, HANDLE template_file) {
  std::string call = "CreateFileA(" + Quote(name) + ", " + Hex(access) + ", " +
                     Hex(share) + ", " + Hex(reinterpret_cast<std::uintptr_t>(security)) +
                     ", " + Hex(disposition) + ", " + Hex(flags) + ", " +
                     Hex(template_file) + ")";
  if (access & GENERIC_WRITE) {
    auto e = world->OpenErrors.find(name);
    const DWORD error = disposition != CREATE_NEW        ? ERROR_INVALID_PARAMETER
                        : world->Files.count(name)       ? ERROR_FILE_EXISTS
                        : e != world->OpenErrors.end()   ? e->second
                                                         : 0;
    if (error) {
      world->LastError = error;
      Record(call + " = 0xffffffff");
      return INVALID_HANDLE_VALUE;
    }
    world->Files[name] = record::File();
  } else if (!world->Files.count(name)) {
    auto e = world->OpenErrors.find(name);
    world->LastError = e == world->OpenErrors.end() ? ERROR_FILE_NOT_FOUND : e->second;
    Record(call + " = 0xffffffff");  // as a 32-bit Win32 program sees it
    return INVALID_HANDLE_VALUE;
  }
  HANDLE h = record::next_file_handle;
  record::next_file_handle += 4;
  record::open_files[h] = {name, 0, (access & GENERIC_WRITE) != 0};
  return Returned(call, h);
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD to_read, DWORD* read, void* overlapped) {
  std::string call = "ReadFile(" + Hex(file) + ", _, " + Hex(to_read) + ", _, " +
                     Hex(reinterpret_cast<std::uintptr_t>(overlapped)) + ")";
  *read = 0;
  auto it = record::open_files.find(file);
  if (it == record::open_files.end()) {
    world->LastError = ERROR_INVALID_HANDLE;
    return Returned(call, 0);
  }
  const record::File& f = world->Files[it->second.Path];
  std::size_t left = f.Content.size() - it->second.Pos;
  if (left == 0 && f.ReadError) {
    world->LastError = f.ReadError;
    return Returned(call, 0);
  }
  DWORD n = static_cast<DWORD>(std::min<std::size_t>(left, to_read));
  std::memcpy(buffer, f.Content.data() + it->second.Pos, n);
  it->second.Pos += n;
  *read = n;
  return Returned(call, 1);
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD to_write, DWORD* written,
               void* overlapped) {
  std::string bytes(static_cast<const char*>(buffer), to_write);
  std::string call = "WriteFile(" + Hex(file) + ", " + Quote(bytes) + ", " +
                     Hex(to_write) + ", _, " +
                     Hex(reinterpret_cast<std::uintptr_t>(overlapped)) + ")";
  *written = 0;
  auto open = record::open_files.find(file);
  if (open != record::open_files.end() && open->second.Written) {
    if (world->FileWriteError) {
      world->LastError = world->FileWriteError;
      return Returned(call, 0);
    }
    world->Files[open->second.Path].Content += bytes;
    *written = to_write;
    return Returned(call, 1);
  }
  if (world->WriteError) {
    world->LastError = world->WriteError;
    return Returned(call, 0);
  }
  if (file == record::kStdOut) world->Output += bytes;
  if (file == record::kStdErr) world->ErrorOutput += bytes;
  *written = to_write;
  return Returned(call, 1);
}

BOOL CloseHandle(HANDLE handle) {
  record::open_files.erase(handle);
  return Returned("CloseHandle(" + Hex(handle) + ")", 1);
}

BOOL MoveFileExA(const char* existing, const char* new_name, DWORD flags) {
  const std::string call = "MoveFileExA(" + Str(existing) + ", " + Str(new_name) + ", " +
                           Hex(flags) + ")";
  auto e = world->MoveErrors.find(new_name);
  const DWORD error =
      e != world->MoveErrors.end()    ? e->second
      : !world->Files.count(existing) ? ERROR_FILE_NOT_FOUND
      : world->Files.count(new_name) && !(flags & MOVEFILE_REPLACE_EXISTING) ? ERROR_FILE_EXISTS
                                                                            : 0;
  if (error) {
    world->LastError = error;
    return Returned(call, 0);
  }
  world->Files[new_name] = world->Files[existing];
  world->Files.erase(existing);
  return Returned(call, 1);
}

BOOL DeleteFileA(const char* name) {
  const bool found = world->Files.erase(name) != 0;
  if (!found) world->LastError = ERROR_FILE_NOT_FOUND;
  return Returned("DeleteFileA(" + Str(name) + ")", found ? 1 : 0);
}

DWORD GetCurrentProcessId() { return Returned("GetCurrentProcessId()", world->ProcessId); }

DWORD GetFileType(HANDLE file) {
  DWORD type = file == record::kStdOut ? world->StdOutType : FILE_TYPE_CHAR;
  return Returned("GetFileType(" + Hex(file) + ")", type);
}

void ExitProcess(UINT exit_code) {
  Record("ExitProcess(" + Hex(exit_code) + ")");
  if (world->OnExit) world->OnExit(exit_code);
  throw record::Exited{exit_code};
}

void Sleep(DWORD milliseconds) {
  Record("Sleep(" + Hex(milliseconds) + ")");
  world->Clock += milliseconds;
}

BOOL CreateProcessA(const char* application, char* command_line, void* process_attributes,
                    void* thread_attributes, BOOL inherit_handles, DWORD creation_flags,
                    void* environment, const char* current_directory,
                    STARTUPINFOA* startup_info, PROCESS_INFORMATION* process_information) {
  std::string call = "CreateProcessA(" + Str(application) + ", " + Str(command_line) +
                     ", " + Hex(reinterpret_cast<std::uintptr_t>(process_attributes)) +
                     ", " + Hex(reinterpret_cast<std::uintptr_t>(thread_attributes)) +
                     ", " + Hex(static_cast<std::uint32_t>(inherit_handles)) + ", " +
                     Hex(creation_flags) + ", " +
                     Hex(reinterpret_cast<std::uintptr_t>(environment)) + ", " +
                     Str(current_directory) + ", _, _)";
  world->LastStartup = *startup_info;
  world->LastInheritHandles = inherit_handles != 0;
  world->LastCreationFlags = creation_flags;
  if (!world->CreateProcessResult) {
    world->LastError = world->CreateProcessError;
    return Returned(call, 0);
  }
  process_information->hProcess = 0x300;
  process_information->hThread = 0x304;
  process_information->dwProcessId = 0x1000;
  process_information->dwThreadId = 0x1004;
  return Returned(call, 1);
}

DWORD GetLastError() { return Returned("GetLastError()", world->LastError); }

void SetLastError(DWORD error) {
  Record("SetLastError(" + Hex(error) + ")");
  world->LastError = error;
}

BOOL ReadConsoleOutputCharacterA(HANDLE output, char* buffer, DWORD length, COORD read_at,
                                 DWORD* read) {
  const std::uint32_t at = static_cast<std::uint16_t>(read_at.X) |
                           (static_cast<std::uint32_t>(static_cast<std::uint16_t>(read_at.Y)) << 16);
  std::string call = "ReadConsoleOutputCharacterA(" + Hex(output) + ", _, " + Hex(length) +
                     ", " + Hex(at) + ", _)";
  if (read_at.Y == 0) ++world->Captures;
  const int index = world->Captures - 1;
  if (read_at.Y == 0) record::HandOverScrolled(index);
  BOOL ok = 0;
  *read = 0;
  const int rows = world->ScreenRows;
  const int columns = world->ScreenColumns;
  if (!world->ScreenReadFails && output == record::kStdOut && read_at.Y >= 0 &&
      read_at.Y < rows && read_at.X >= 0 && read_at.X < columns) {
    std::string row;
    if (!world->Screens.empty()) {
      const auto& screen = world->Screens[std::min<std::size_t>(
          index < 0 ? 0 : index, world->Screens.size() - 1)];
      if (static_cast<std::size_t>(read_at.Y) < screen.size()) row = screen[read_at.Y];
    }
    row.resize(static_cast<std::size_t>(columns), ' ');
    DWORD n = std::min<DWORD>(length, static_cast<DWORD>(columns - read_at.X));
    std::memcpy(buffer, row.data() + read_at.X, n);
    *read = n;
    ok = 1;
  }
  Returned(call, ok);
  if (read_at.Y == rows - 1 && world->CaptureLimit > 0 && world->Captures >= world->CaptureLimit &&
      world->OnCaptureLimit)
    world->OnCaptureLimit();
  return ok;
}

HWND GetConsoleWindow() { return Returned("GetConsoleWindow()", world->ConsoleWindow); }

BOOL GetConsoleMode(HANDLE handle, DWORD* mode) {
  BOOL console = handle == record::kStdErr ? world->StdErrIsConsole
                                           : handle == record::kStdIn || handle == record::kStdOut;
  if (mode) *mode = console ? 3 : 0;
  if (!console) world->LastError = ERROR_INVALID_HANDLE;
  return Returned("GetConsoleMode(" + Hex(handle) + ", _)", console);
}

std::uint64_t GetTickCount64() { return Returned("GetTickCount64()", world->Clock); }

bool ConsoleCanChange() { return world->ConsoleCanChange; }

// The simulated console takes each key as it is typed.
KeysGivenUp TypeQueuedKeys(DWORD idle_limit_ms) {
  (void)idle_limit_ms;
  return KeysGivenUp{0, false};
}

void SetConsoleScrolledRowsHandler(HANDLE output, SCROLLEDROWSPROC handler, LPARAM param) {
  (void)output;
  world->ScrolledRowsHandler = handler;
  world->ScrolledRowsParam = param;
}

bool LetterCaseMatters() { return false; }

ScreenSize ConsoleScreenSize(HANDLE output) {
  (void)output;
  return ScreenSize{world->ScreenRows, world->ScreenColumns};
}

HWND FindWindowA(const char* class_name, const char* window_name) {
  HWND found = 0;
  for (const record::Window& w : world->Windows)
    if (window_name && SameTitle(w.Title, window_name)) {
      found = w.Handle;
      break;
    }
  return Returned("FindWindowA(" + Str(class_name) + ", " + Str(window_name) + ")", found);
}

BOOL EnumWindows(WNDENUMPROC callback, LPARAM param) {
  // Recorded first: the callback's own calls follow it.
  Record("EnumWindows(_, _) = 0x1");
  const std::vector<record::Window> windows = world->Windows;  // the callback may not change it
  for (const record::Window& w : windows)
    if (!callback(w.Handle, param)) break;
  return 1;
}

int GetWindowTextA(HWND window, char* buffer, int size) {
  int n = 0;
  if (size > 0) {
    const record::Window* w = record::FindByHandle(window);
    if (w) n = static_cast<int>(std::min<std::size_t>(w->Title.size(), size - 1));
    if (n) std::memcpy(buffer, w->Title.data(), n);
    buffer[n] = '\0';
  }
  return Returned("GetWindowTextA(" + Hex(window) + ", _, " + Hex(static_cast<std::uint32_t>(size)) + ")", n);
}

BOOL SetForegroundWindow(HWND window) {
  BOOL ok = record::FindByHandle(window) != nullptr;
  if (ok) world->Foreground = window;
  return Returned("SetForegroundWindow(" + Hex(window) + ")", ok);
}

BOOL SetWindowTextA(HWND window, const char* text) {
  record::Window* w = record::FindByHandle(window);
  if (w) w->Title = text;
  return Returned("SetWindowTextA(" + Hex(window) + ", " + Str(text) + ")", w ? 1 : 0);
}

// A key or character of a secret shows as _.
std::string KeyHex(std::uint64_t value) {
  return world->SecretKeys.empty() ? Hex(value) : "_";
}

SHORT VkKeyScanA(CHAR ch) {
  std::uint16_t key = UsVkKeyScan(static_cast<unsigned char>(ch));
  if (world->Quiet) return static_cast<SHORT>(key);  // nothing to format
  Record("VkKeyScanA(" + KeyHex(static_cast<unsigned char>(ch)) + ") = " + KeyHex(key));
  return static_cast<SHORT>(key);
}

void keybd_event(BYTE vk, BYTE scan, DWORD flags, std::uintptr_t extra) {
  if (world->OnKeyEvent) world->OnKeyEvent(vk, flags);
  if (world->Quiet) return;
  Record("keybd_event(" + KeyHex(vk) + ", " + KeyHex(scan) + ", " + Hex(flags) + ", " +
         Hex(extra) + ")");
}

UINT MapVirtualKeyA(UINT code, UINT map_type) {
  const UINT mapped = UsMapVirtualKey(code, map_type);
  if (world->Quiet) return mapped;
  Record("MapVirtualKeyA(" + KeyHex(code) + ", " + Hex(map_type) + ") = " + KeyHex(mapped));
  return mapped;
}

void MarkSecretKeys(const char* placeholder) { world->SecretKeys = placeholder ? placeholder : ""; }

DWORD GetEnvironmentVariableA(const char* name, char* buffer, DWORD size) {
  const std::string call = "GetEnvironmentVariableA(" + Str(name) + ", _, " + Hex(size) + ")";
  auto found = world->Environment.find(name);
  if (found == world->Environment.end()) {
    world->LastError = ERROR_ENVVAR_NOT_FOUND;
    return Returned(call, 0);
  }
  const std::string& value = found->second;
  if (value.size() >= size) return Returned(call, static_cast<DWORD>(value.size() + 1));
  std::memcpy(buffer, value.c_str(), value.size() + 1);
  return Returned(call, static_cast<DWORD>(value.size()));
}

SHORT GetKeyState(int vk) {
  std::uint16_t state = world->Keyboard[vk & 0xff] & 1;
  if (world->Keyboard[vk & 0xff] & 0x80) state |= 0xff80;
  Returned("GetKeyState(" + Hex(static_cast<std::uint32_t>(vk)) + ")", state);
  return static_cast<SHORT>(state);
}

BOOL GetKeyboardState(BYTE* state) {
  std::memcpy(state, world->Keyboard, 256);
  return Returned("GetKeyboardState(_)", 1);
}

BOOL SetKeyboardState(BYTE* state) {
  std::memcpy(world->Keyboard, state, 256);
  return Returned("SetKeyboardState(_)", 1);
}

BOOL PeekMessageA(MSG* msg, HWND window, UINT filter_min, UINT filter_max, UINT remove) {
  std::string call;
  if (!world->Quiet)
    call = "PeekMessageA(_, " + Hex(window) + ", " + Hex(filter_min) + ", " + Hex(filter_max) +
           ", " + Hex(remove) + ")";
  auto& queue = world->Messages;
  for (auto it = queue.begin(); it != queue.end(); ++it) {
    bool all = filter_min == 0 && filter_max == 0;
    if (all || (it->message >= filter_min && it->message <= filter_max)) {
      *msg = *it;
      if (remove & PM_REMOVE) queue.erase(it);
      return Returned(call, 1);
    }
  }
  // The pump's idle wait on an empty queue.
  if (window == 0 && filter_min == 0 && filter_max == 0) world->Clock += world->IdleWaitMs;
  return Returned(call, 0);
}

BOOL TranslateMessage(const MSG* msg) {
  (void)msg;
  return Returned("TranslateMessage(_)", 0);
}

LRESULT DispatchMessageA(const MSG* msg) {
  (void)msg;
  return Returned("DispatchMessageA(_)", 0);
}

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
  if (world->Quiet) return 1;  // nothing to format
  return Returned("MessageBoxA(" + Hex(owner) + ", " + Str(text) + ", " + Str(caption) +
                      ", " + Hex(type) + ")",
                  1);
}

}  // namespace platform
