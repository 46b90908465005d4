// The kernel32 operations: each one is the Win32 call of the same name.
// The screen-reading ones (ReadConsoleOutputCharacterA, ConsoleScreenSize)
// are in console.cc, with the console they read.
#include "platform/win32/console.h"

namespace platform {

using win32::FromHandle;
using win32::FromHwnd;
using win32::ToHandle;

const char* GetCommandLineA() { return ::GetCommandLineA(); }

DWORD GetModuleFileNameA(HANDLE module, char* filename, DWORD size) {
  return ::GetModuleFileNameA(reinterpret_cast<::HMODULE>(module), filename,
                              size);
}

HANDLE GetStdHandle(DWORD which) { return FromHandle(::GetStdHandle(which)); }

HANDLE CreateFileA(const char* name, DWORD access, DWORD share,
                   void* security, DWORD disposition, DWORD flags,
                   HANDLE template_file) {
  return FromHandle(::CreateFileA(
      name, access, share, static_cast<::LPSECURITY_ATTRIBUTES>(security),
      disposition, flags, ToHandle(template_file)));
}

// ::DWORD is unsigned long, ours is a 32-bit unsigned int: counts go
// through a local of the native type.
BOOL ReadFile(HANDLE file, void* buffer, DWORD to_read, DWORD* read,
              void* overlapped) {
  ::DWORD done = 0;
  BOOL ok = ::ReadFile(ToHandle(file), buffer, to_read,
                       read ? &done : nullptr,
                       static_cast<::LPOVERLAPPED>(overlapped));
  if (read) *read = done;
  return ok;
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD to_write,
               DWORD* written, void* overlapped) {
  ::DWORD done = 0;
  BOOL ok = ::WriteFile(ToHandle(file), buffer, to_write,
                        written ? &done : nullptr,
                        static_cast<::LPOVERLAPPED>(overlapped));
  if (written) *written = done;
  return ok;
}

BOOL CloseHandle(HANDLE handle) { return ::CloseHandle(ToHandle(handle)); }

BOOL MoveFileExA(const char* existing, const char* new_name, DWORD flags) {
  return ::MoveFileExA(existing, new_name, flags);
}

BOOL DeleteFileA(const char* name) { return ::DeleteFileA(name); }

DWORD GetCurrentProcessId() { return ::GetCurrentProcessId(); }

DWORD GetFileType(HANDLE file) { return ::GetFileType(ToHandle(file)); }

DWORD GetEnvironmentVariableA(const char* name, char* buffer, DWORD size) {
  return ::GetEnvironmentVariableA(name, buffer, size);
}

// Nothing on Windows writes about the keys typed: there is no recording.
void MarkSecretKeys(const char* placeholder) { (void)placeholder; }

// WriteFile above writes straight through, so this layer holds nothing
// back; the core's own output buffer is flushed before it gets here.
void ExitProcess(UINT exit_code) { ::ExitProcess(exit_code); }

void Sleep(DWORD milliseconds) {
  if (milliseconds > 0) win32::NotePaused();
  ::Sleep(milliseconds);
}

BOOL CreateProcessA(const char* application, char* command_line,
                    void* process_attributes, void* thread_attributes,
                    BOOL inherit_handles, DWORD creation_flags,
                    void* environment, const char* current_directory,
                    STARTUPINFOA* startup_info,
                    PROCESS_INFORMATION* process_information) {
  ::STARTUPINFOA startup = win32::ToNative(*startup_info);
  // Their prompts and errors belong on the screen the waits read, also when
  // klavrun's own output goes to a file.
  win32::GiveConsole(startup);
  ::PROCESS_INFORMATION created{};
  BOOL ok = ::CreateProcessA(
      application, command_line,
      static_cast<::LPSECURITY_ATTRIBUTES>(process_attributes),
      static_cast<::LPSECURITY_ATTRIBUTES>(thread_attributes),
      inherit_handles, creation_flags, environment, current_directory,
      &startup, &created);
  // Read the error before anything else can overwrite it.
  ::DWORD error = ::GetLastError();
  if (process_information) *process_information = win32::FromNative(created);
  ::SetLastError(error);
  return ok;
}

DWORD GetLastError() { return ::GetLastError(); }

void SetLastError(DWORD error) { ::SetLastError(error); }

HWND GetConsoleWindow() { return FromHwnd(::GetConsoleWindow()); }

BOOL GetConsoleMode(HANDLE handle, DWORD* mode) {
  ::DWORD got = 0;
  BOOL ok = ::GetConsoleMode(ToHandle(handle), &got);
  if (mode) *mode = got;
  return ok;
}

std::uint64_t GetTickCount64() { return ::GetTickCount64(); }

// Any program on the console may write to it, not only those klavrun started.
bool ConsoleCanChange() { return true; }

// keybd_event puts each key into the input queue as it is typed.
KeysGivenUp TypeQueuedKeys(DWORD idle_limit_ms) {
  (void)idle_limit_ms;
  return KeysGivenUp{0, false};
}

bool LetterCaseMatters() { return false; }

}  // namespace platform
