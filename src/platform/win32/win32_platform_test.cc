// The win32 layer against the real calls: what the core passes arrives
// unchanged, and what Windows answers comes back unchanged. Runs under Wine
// (with an X display, for the window tests).

// platform.h first, and its constants copied out before <windows.h> turns
// their names into macros: the copies are then checked against Win32's own.
#include "platform/platform.h"

#include <cstdint>

// WM_KEYLAST is left out on purpose: the key engine drains up to 0x108, the
// value of the older headers, where today's say 0x109 (WM_UNICHAR).
#define PLATFORM_CONSTANTS(X) \
    X(STD_INPUT_HANDLE) X(STD_OUTPUT_HANDLE) X(GENERIC_READ) \
    X(FILE_SHARE_READ) X(OPEN_EXISTING) X(FILE_ATTRIBUTE_NORMAL) \
    X(FILE_TYPE_UNKNOWN) X(FILE_TYPE_DISK) X(FILE_TYPE_CHAR) \
    X(FILE_TYPE_PIPE) X(ERROR_FILE_NOT_FOUND) X(ERROR_PATH_NOT_FOUND) \
    X(ERROR_TOO_MANY_OPEN_FILES) X(ERROR_ACCESS_DENIED) \
    X(ERROR_INVALID_HANDLE) X(ERROR_NOT_ENOUGH_MEMORY) X(ERROR_WRITE_FAULT) \
    X(ERROR_READ_FAULT) X(ERROR_HANDLE_DISK_FULL) X(ERROR_BROKEN_PIPE) \
    X(ERROR_BAD_EXE_FORMAT) X(ERROR_FILENAME_EXCED_RANGE) \
    X(STARTF_USESTDHANDLES) X(NORMAL_PRIORITY_CLASS) X(PM_REMOVE) X(WM_QUIT) \
    X(WM_KEYFIRST) X(KEYEVENTF_EXTENDEDKEY) X(KEYEVENTF_KEYUP) \
    X(MAPVK_VK_TO_VSC) X(MB_OK) X(VK_CANCEL) X(VK_BACK) X(VK_TAB) \
    X(VK_CLEAR) X(VK_RETURN) X(VK_SHIFT) X(VK_CONTROL) X(VK_MENU) \
    X(VK_CAPITAL) X(VK_ESCAPE) X(VK_SPACE) X(VK_PRIOR) X(VK_NEXT) X(VK_END) \
    X(VK_HOME) X(VK_LEFT) X(VK_UP) X(VK_RIGHT) X(VK_DOWN) X(VK_PRINT) \
    X(VK_INSERT) X(VK_DELETE) X(VK_HELP) X(VK_F1) X(VK_F16) X(VK_NUMLOCK) \
    X(VK_SCROLL)

namespace {
struct ConstantRow {
  const char* name;
  std::uint64_t ours;
};
#define OUR_VALUE(name) {#name, platform::name},
const ConstantRow kOurConstants[] = {PLATFORM_CONSTANTS(OUR_VALUE)};
constexpr std::uintptr_t kInvalidHandle = platform::INVALID_HANDLE_VALUE;
}  // namespace

#include "platform/win32/win32_types.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

// Win32 macros that hold a cast name their types unqualified; inside
// namespace platform that would find platform's integer HANDLE instead.
static const ::HANDLE kNativeInvalidHandle = INVALID_HANDLE_VALUE;

namespace platform {
namespace {

TEST(Win32Constants, PlatformConstantsHaveWin32Values) {
#define WIN32_VALUE(name) static_cast<std::uint64_t>(name),
  const std::uint64_t theirs[] = {PLATFORM_CONSTANTS(WIN32_VALUE)};
  ASSERT_EQ(std::size(kOurConstants), std::size(theirs));
  for (size_t i = 0; i < std::size(theirs); ++i) {
    EXPECT_EQ(kOurConstants[i].ours, theirs[i]) << kOurConstants[i].name;
  }
  EXPECT_EQ(kInvalidHandle, win32::FromHandle(kNativeInvalidHandle));
}

TEST(Win32Types, StartupInfoKeepsEveryFieldTheCoreSets) {
  BYTE reserved2 = 0;
  char desktop[] = "desk";
  char title[] = "title";
  STARTUPINFOA in{};
  in.cb = 68;
  in.lpDesktop = desktop;
  in.lpTitle = title;
  in.dwX = 1;
  in.dwY = 2;
  in.dwXSize = 3;
  in.dwYSize = 4;
  in.dwXCountChars = 5;
  in.dwYCountChars = 6;
  in.dwFillAttribute = 7;
  in.dwFlags = STARTF_USESTDHANDLES;
  in.wShowWindow = 8;
  in.cbReserved2 = 9;
  in.lpReserved2 = &reserved2;
  in.hStdInput = 0x1234;
  in.hStdOutput = 0x5678;
  in.hStdError = 0;

  ::STARTUPINFOA out = win32::ToNative(in);
  EXPECT_EQ(out.cb, 68u);
  EXPECT_EQ(out.lpReserved, nullptr);
  EXPECT_EQ(out.lpDesktop, desktop);
  EXPECT_EQ(out.lpTitle, title);
  EXPECT_EQ(out.dwX, 1u);
  EXPECT_EQ(out.dwY, 2u);
  EXPECT_EQ(out.dwXSize, 3u);
  EXPECT_EQ(out.dwYSize, 4u);
  EXPECT_EQ(out.dwXCountChars, 5u);
  EXPECT_EQ(out.dwYCountChars, 6u);
  EXPECT_EQ(out.dwFillAttribute, 7u);
  EXPECT_EQ(out.dwFlags, static_cast<::DWORD>(STARTF_USESTDHANDLES));
  EXPECT_EQ(out.wShowWindow, 8);
  EXPECT_EQ(out.cbReserved2, 9);
  EXPECT_EQ(out.lpReserved2, &reserved2);
  EXPECT_EQ(out.hStdInput, reinterpret_cast<::HANDLE>(0x1234));
  EXPECT_EQ(out.hStdOutput, reinterpret_cast<::HANDLE>(0x5678));
  EXPECT_EQ(out.hStdError, nullptr);
  // The core's fixed cb of 68 is the real record's size on 32-bit Windows.
  EXPECT_EQ(sizeof(::STARTUPINFOA), 68u);
}

/// A scratch folder under the system's temporary folder, removed at the end.
class Win32Files : public ::testing::Test {
 protected:
  void SetUp() override {
    char base[MAX_PATH];
    ASSERT_NE(::GetTempPathA(MAX_PATH, base), 0u);
    dir_ = std::string(base) + "klavrun-win32-test-" +
           std::to_string(::GetCurrentProcessId());
    ASSERT_TRUE(::CreateDirectoryA(dir_.c_str(), nullptr));
  }
  void TearDown() override {
    for (const std::string& file : files_) ::DeleteFileA(file.c_str());
    ::RemoveDirectoryA(dir_.c_str());
  }
  std::string Write(const std::string& name, const std::string& content) {
    std::string path = dir_ + "\\" + name;
    ::HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, 0, nullptr);
    EXPECT_NE(h, kNativeInvalidHandle);
    ::DWORD written = 0;
    ::WriteFile(h, content.data(), content.size(), &written, nullptr);
    ::CloseHandle(h);
    files_.push_back(path);
    return path;
  }
  // The script is opened exactly so.
  static HANDLE OpenForReading(const std::string& path) {
    return platform::CreateFileA(path.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, 0);
  }
  std::string dir_;
  std::vector<std::string> files_;
};

TEST_F(Win32Files, ScriptIsReadBackByteForByte) {
  const std::string content("delay 5\r\nrem \x80\x1A tail", 20);
  HANDLE file = OpenForReading(Write("script.txt", content));
  ASSERT_NE(file, kInvalidHandle);
  EXPECT_EQ(platform::GetFileType(file), DWORD{FILE_TYPE_DISK});

  char buffer[64];
  DWORD got = 99;
  ASSERT_TRUE(platform::ReadFile(file, buffer, 7, &got, nullptr));
  EXPECT_EQ(std::string(buffer, got), "delay 5");
  ASSERT_TRUE(platform::ReadFile(file, buffer, sizeof buffer, &got, nullptr));
  EXPECT_EQ(std::string(buffer, got), content.substr(7));
  ASSERT_TRUE(platform::ReadFile(file, buffer, sizeof buffer, &got, nullptr));
  EXPECT_EQ(got, 0u) << "the end of the file reads as zero bytes";
  EXPECT_TRUE(platform::CloseHandle(file));
}

TEST_F(Win32Files, FailedOpensReportTheCodesTheErrorTextsNeed) {
  struct Row {
    std::string path;
    DWORD error;
  };
  const std::vector<Row> rows = {
      {dir_ + "\\missing.txt", ERROR_FILE_NOT_FOUND},
      {dir_ + "\\no-such-folder\\script.txt", ERROR_PATH_NOT_FOUND},
      {dir_, ERROR_ACCESS_DENIED},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(OpenForReading(row.path), kInvalidHandle)
        << row.path;
    EXPECT_EQ(platform::GetLastError(), row.error) << row.path;
  }
}

TEST_F(Win32Files, WriteReportsTheCountWritten) {
  std::string path = Write("out.txt", "");
  HANDLE file = platform::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, 0);
  ASSERT_NE(file, kInvalidHandle);
  DWORD written = 0;
  EXPECT_TRUE(platform::WriteFile(file, "Error at line: 3\r\n", 18, &written,
                                  nullptr));
  EXPECT_EQ(written, 18u);
  platform::CloseHandle(file);
}

TEST(Win32Process, ProgramPathAndCommandLineNameThisProgram) {
  char path[MAX_PATH];
  DWORD length = platform::GetModuleFileNameA(0, path, sizeof path);
  ASSERT_GT(length, 0u);
  std::string name(path, length);
  EXPECT_NE(name.find("klavrun_win32_tests.exe"), std::string::npos) << name;
  EXPECT_NE(std::string(platform::GetCommandLineA()).find("klavrun_win32_tests"),
            std::string::npos);
}

/// CreateProcessA exactly as the start command calls it.
BOOL Start(const std::string& command_line, PROCESS_INFORMATION* created) {
  STARTUPINFOA startup{};
  startup.cb = 68;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = platform::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = platform::GetStdHandle(STD_OUTPUT_HANDLE);
  std::string writable = command_line;
  return platform::CreateProcessA(nullptr, &writable[0], nullptr, nullptr,
                                  1, NORMAL_PRIORITY_CLASS, nullptr,
                                  nullptr, &startup, created);
}

TEST(Win32Process, StartedProgramRunsAndItsHandlesComeBack) {
  PROCESS_INFORMATION created{};
  ASSERT_TRUE(Start("cmd.exe /c exit 7", &created));
  EXPECT_NE(created.dwProcessId, 0u);
  ::HANDLE process = win32::ToHandle(created.hProcess);
  // A hang guard for a broken child, not a measurement.
  ASSERT_EQ(::WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
  ::DWORD code = 0;
  ASSERT_TRUE(::GetExitCodeProcess(process, &code));
  EXPECT_EQ(code, 7u);
  EXPECT_TRUE(platform::CloseHandle(created.hProcess));
  EXPECT_TRUE(platform::CloseHandle(created.hThread));
}

TEST(Win32Process, StartOfAMissingProgramLeavesFileNotFound) {
  PROCESS_INFORMATION created{};
  EXPECT_FALSE(Start("no-such-program-here.exe", &created));
  EXPECT_EQ(platform::GetLastError(), DWORD{ERROR_FILE_NOT_FOUND});
}

/// Two hidden top-level windows of our own, titled for the tests.
class Win32Windows : public ::testing::Test {
 protected:
  static ::LRESULT CALLBACK Record(::HWND window, ::UINT message,
                                   ::WPARAM wparam, ::LPARAM lparam) {
    if (message == WM_APP) {
      dispatched_.push_back({win32::FromHwnd(window), message, wparam, lparam, 0, {0, 0}});
      return 42;
    }
    return ::DefWindowProcA(window, message, wparam, lparam);
  }
  void SetUp() override {
    dispatched_.clear();
    ::WNDCLASSA type{};
    type.lpfnWndProc = Record;
    type.hInstance = ::GetModuleHandleA(nullptr);
    type.lpszClassName = "KlavrunTestWindow";
    ::RegisterClassA(&type);
    for (const char* title : {"Klavrun Probe One", "Klavrun Probe Two"}) {
      ::HWND window = ::CreateWindowExA(0, "KlavrunTestWindow", title,
                                        WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                        nullptr, type.hInstance, nullptr);
      ASSERT_NE(window, nullptr) << "no window: is there an X display?";
      windows_.push_back(win32::FromHwnd(window));
    }
  }
  void TearDown() override {
    for (HWND window : windows_) ::DestroyWindow(win32::ToHwnd(window));
  }
  std::vector<HWND> windows_;
  static std::vector<MSG> dispatched_;
};
std::vector<MSG> Win32Windows::dispatched_;

TEST_F(Win32Windows, ExactTitleSearchIgnoresLetterCase) {
  EXPECT_EQ(platform::FindWindowA(nullptr, "klavrun probe two"), windows_[1]);
  EXPECT_EQ(platform::FindWindowA(nullptr, "KLAVRUN PROBE ONE"), windows_[0]);
  EXPECT_EQ(platform::FindWindowA(nullptr, "klavrun probe"), 0u);
}

struct EnumLog {
  std::vector<HWND> seen;
  size_t stop_after;
};

BOOL LogWindow(HWND window, LPARAM param) {
  auto* log = reinterpret_cast<EnumLog*>(param);
  log->seen.push_back(window);
  return log->seen.size() < log->stop_after;
}

TEST_F(Win32Windows, EnumerationReachesTheCallbackAndStopsAtZero) {
  EnumLog all{{}, SIZE_MAX};
  platform::EnumWindows(LogWindow, reinterpret_cast<LPARAM>(&all));
  for (HWND window : windows_) {
    EXPECT_NE(std::find(all.seen.begin(), all.seen.end(), window),
              all.seen.end());
  }
  EnumLog first{{}, 1};
  platform::EnumWindows(LogWindow, reinterpret_cast<LPARAM>(&first));
  EXPECT_EQ(first.seen.size(), 1u);
}

TEST_F(Win32Windows, TitleIsSetAndReadBack) {
  ASSERT_TRUE(platform::SetWindowTextA(windows_[0], "nightly build"));
  char text[80];
  EXPECT_EQ(platform::GetWindowTextA(windows_[0], text, sizeof text), 13);
  EXPECT_STREQ(text, "nightly build");
  // A title longer than the buffer is cut to size - 1 characters.
  char shorter[8];
  platform::GetWindowTextA(windows_[0], shorter, sizeof shorter);
  EXPECT_STREQ(shorter, "nightly");
  EXPECT_FALSE(platform::SetWindowTextA(0, "no window"));
}

TEST_F(Win32Windows, PostedMessageIsPeekedAndDispatchedIntact) {
  ASSERT_TRUE(::PostMessageA(win32::ToHwnd(windows_[1]), WM_APP, 0x0D, -3));
  MSG msg{};
  ASSERT_TRUE(platform::PeekMessageA(&msg, 0, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, windows_[1]);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_APP));
  EXPECT_EQ(msg.wParam, 0x0Du);
  EXPECT_EQ(msg.lParam, -3);
  platform::TranslateMessage(&msg);
  EXPECT_EQ(platform::DispatchMessageA(&msg), 42);
  ASSERT_EQ(dispatched_.size(), 1u);
  EXPECT_EQ(dispatched_[0].hwnd, windows_[1]);
  EXPECT_EQ(dispatched_[0].wParam, 0x0Du);
  EXPECT_EQ(dispatched_[0].lParam, -3);
  // The queue is empty now, and an empty queue answers at once.
  EXPECT_FALSE(platform::PeekMessageA(&msg, 0, 0, 0, PM_REMOVE));
}

TEST(Win32Keyboard, UsLayoutAnswersWhatTheKeyEngineReliesOn) {
  struct Row {
    char ch;
    SHORT key;
  };
  const Row rows[] = {
      {'a', 0x0041}, {'A', 0x0141}, {'4', 0x0034}, {'!', 0x0131},
      {'%', 0x0135}, {',', 0x00BC}, {' ', 0x0020}, {'{', 0x01DB},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(platform::VkKeyScanA(row.ch), row.key) << row.ch;
  }
  EXPECT_EQ(platform::MapVirtualKeyA(VK_SHIFT,
                                     MAPVK_VK_TO_VSC),
            0x2Au);
  EXPECT_EQ(platform::MapVirtualKeyA('A', MAPVK_VK_TO_VSC), 0x1Eu);
}

TEST(Win32Keyboard, NumLockTogglesThroughTheKeyboardStateTable) {
  BYTE state[256];
  ASSERT_TRUE(platform::GetKeyboardState(state));
  const bool was_on = platform::GetKeyState(VK_NUMLOCK) & 1;
  state[VK_NUMLOCK] ^= 1;
  ASSERT_TRUE(platform::SetKeyboardState(state));
  EXPECT_EQ(platform::GetKeyState(VK_NUMLOCK) & 1, was_on ? 0 : 1);
  state[VK_NUMLOCK] ^= 1;
  ASSERT_TRUE(platform::SetKeyboardState(state));
  EXPECT_EQ(platform::GetKeyState(VK_NUMLOCK) & 1, was_on ? 1 : 0);
}

}  // namespace
}  // namespace platform
