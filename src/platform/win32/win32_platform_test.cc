// The win32 layer against the real calls, under Wine with an X display. Constants a wrong
// value would break silently are copied before <windows.h> makes their names macros.
#include "platform/platform.h"

#define CHECKED_CONSTANTS(X) \
  X(STD_INPUT_HANDLE) X(STD_OUTPUT_HANDLE) X(KEYEVENTF_EXTENDEDKEY) X(KEYEVENTF_KEYUP) \
  X(PM_REMOVE) X(STARTF_USESTDHANDLES) X(NORMAL_PRIORITY_CLASS) X(GENERIC_READ) \
  X(FILE_SHARE_READ) X(OPEN_EXISTING) X(FILE_TYPE_CHAR) X(ERROR_ACCESS_DENIED) \
  X(ERROR_BROKEN_PIPE) X(WM_QUIT) X(WM_KEYFIRST) X(VK_SHIFT) X(VK_CONTROL) X(VK_MENU) \
  X(VK_NUMLOCK)
#define OURS(name) constexpr std::uint64_t kOur_##name = platform::name;
CHECKED_CONSTANTS(OURS)

#include "platform/win32/console.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#define SAME_AS_WIN32(name) static_assert(kOur_##name == name, #name);
CHECKED_CONSTANTS(SAME_AS_WIN32)

namespace platform {
namespace {

// The records' layouts agree. The native one is 68 bytes on 32-bit Windows and
// 104 on 64-bit; the core says 68 whatever it runs on.
constexpr ::DWORD kNativeStartupSize = sizeof(void*) == 8 ? 104 : 68;
static_assert(sizeof(STARTUPINFOA) == kNativeStartupSize &&
              sizeof(::STARTUPINFOA) == kNativeStartupSize);
static_assert(sizeof(PROCESS_INFORMATION) == sizeof(::PROCESS_INFORMATION));

::LRESULT CALLBACK Record(::HWND window, ::UINT message, ::WPARAM w, ::LPARAM l) {
  return message == WM_APP ? w * 100 + l : ::DefWindowProcA(window, message, w, l);
}

template <BOOL kGoOn> BOOL Collect(HWND window, LPARAM seen) {
  reinterpret_cast<std::vector<HWND>*>(seen)->push_back(window);
  return kGoOn;
}

TEST(Win32Processes, TheStartRecordGoesOutWithTheNativeSize) {
  STARTUPINFOA core{};
  core.cb = 68;
  EXPECT_EQ(win32::ToNative(core).cb, kNativeStartupSize);
}

TEST(Win32Windows, OnlyVisibleWindowsAreFoundByTitleOrEnumerated) {
  const ::WNDCLASSA type{0, Record, 0, 0, 0, 0, 0, 0, 0, "KlavrunTestWindow"};
  ASSERT_TRUE(::RegisterClassA(&type));
  std::vector<HWND> ours, all, first;
  // The hidden namesake comes last, on top of the others.
  for (auto [title, style] : {std::pair("Klavrun Probe One", WS_VISIBLE),
                              std::pair("Klavrun Probe Two", WS_VISIBLE),
                              std::pair("Klavrun Probe Two", 0L), std::pair("Klavrun Hidden", 0L)})
    ours.push_back(win32::FromHwnd(::CreateWindowExA(0, type.lpszClassName, title,
                                                     WS_OVERLAPPED | style, 0, 0, 10, 10, 0, 0, 0,
                                                     0)));
  ASSERT_NE(ours[3], 0u) << "no window: is there an X display?";
  EXPECT_EQ(FindWindowA(nullptr, "klavrun probe two"), ours[1]);
  EXPECT_EQ(FindWindowA(nullptr, "KLAVRUN PROBE ONE"), ours[0]);
  EXPECT_EQ(FindWindowA(nullptr, "klavrun probe"), 0u);
  EXPECT_EQ(FindWindowA(nullptr, "klavrun hidden"), 0u);
  EnumWindows(Collect<1>, reinterpret_cast<LPARAM>(&all));
  EnumWindows(Collect<0>, reinterpret_cast<LPARAM>(&first));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(std::count(all.begin(), all.end(), ours[i]), i < 2) << i;
  EXPECT_EQ(first.size(), 1u);

  char text[80], shorter[8];
  ASSERT_TRUE(SetWindowTextA(ours[0], "nightly build"));
  EXPECT_EQ(GetWindowTextA(ours[0], text, sizeof text), 13);
  GetWindowTextA(ours[0], shorter, sizeof shorter);  // cut to the buffer
  EXPECT_EQ(std::string(text) + "|" + shorter, "nightly build|nightly");

  // The drain: peeked intact, dispatched intact (to Record), then nothing left.
  auto drain_natively = [] {
    ::MSG native;
    while (::PeekMessageA(&native, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&native);
  };
  for (int i = 0; i < 3; ++i) ::DestroyWindow(win32::ToHwnd(ours[i]));  // visible ones get paints
  drain_natively();
  ASSERT_TRUE(::PostMessageA(win32::ToHwnd(ours[3]), WM_APP, 0x0D, -3));
  MSG msg{};
  ASSERT_TRUE(PeekMessageA(&msg, 0, 0, 0, PM_REMOVE));
  EXPECT_EQ(std::tuple(msg.hwnd, msg.message, msg.wParam, msg.lParam),
            std::tuple(ours[3], UINT{WM_APP}, WPARAM{0x0D}, LPARAM{-3}));
  TranslateMessage(&msg);
  EXPECT_EQ(DispatchMessageA(&msg), 0x0D * 100 - 3);
  EXPECT_FALSE(PeekMessageA(&msg, 0, 0, 0xFFFF, PM_REMOVE));  // a filter: never waits
  ::DestroyWindow(win32::ToHwnd(ours[3]));
  drain_natively();
}

// A console of 120 x 300 cells shown through a window of 100 x 20 whose top
// left corner is cell (10, 50); text written where the tests read it.
class Win32Console : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!::GetConsoleWindow()) {  // plain wine: no console window, maybe a console without one
      const ::HANDLE keep[] = {::GetStdHandle(STD_INPUT_HANDLE), ::GetStdHandle(STD_OUTPUT_HANDLE),
                               ::GetStdHandle(STD_ERROR_HANDLE)};
      ::FreeConsole();
      ASSERT_TRUE(::AllocConsole());
      for (::DWORD i = 0; i < 3; ++i) ::SetStdHandle(STD_INPUT_HANDLE - i, keep[i]);
    }
    win32::OpenConsole();
    out = ::CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, 0, nullptr);
    const ::SMALL_RECT window{10, 50, 109, 69};
    ASSERT_TRUE(::SetConsoleScreenBufferSize(out, ::COORD{120, 300}));
    ASSERT_TRUE(::SetConsoleWindowInfo(out, TRUE, &window));
  }
  static void Write(short column, short row, const std::string& text) {
    ::DWORD done = 0;
    ::WriteConsoleOutputCharacterA(out, text.data(), text.size(), ::COORD{column, row}, &done);
  }
  static std::string Read(short column, short row, DWORD length) {
    char cells[200];
    DWORD got = 999;
    // Not a console handle, as when klavrun's output goes to a file.
    EXPECT_TRUE(ReadConsoleOutputCharacterA(0xBAD0, cells, length, COORD{column, row}, &got));
    return std::string(cells, got);
  }
  static void WindowAt(short top) {
    const ::SMALL_RECT window{10, top, 109, static_cast<short>(top + 19)};
    ::SetConsoleWindowInfo(out, TRUE, &window);
  }
  static ::HANDLE out;
};
::HANDLE Win32Console::out;

TEST_F(Win32Console, TheScreenIsTheVisibleWindowReadThroughTheConsole) {
  Write(0, 0, "buffer top");
  Write(10, 50, "window top left");
  Write(105, 69, "edge");
  Write(10, 70, "row below");
  const ScreenSize size = ConsoleScreenSize(0xBAD0);
  EXPECT_EQ(std::pair(size.Rows, size.RowBytes), std::pair(20, 100));
  const struct { short column, row; DWORD length; std::string cells; } rows[] = {
      {0, 0, 15, "window top left"}, {95, 19, 10, "edge "},  // stops at the window's edge
      {100, 19, 10, ""},             {0, 20, 9, "row below"},  // below: read from the buffer
      {2, 0, 4, "ndow"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(Read(row.column, row.row, row.length), row.cells) << row.column << "," << row.row;
}

TEST_F(Win32Console, AChangeInTheWindowOrTheRowBelowItIsSeenUntilTheNextCapture) {
  const struct { short column, row; bool seen; } writes[] = {
      {10, 60, true}, {40, 70, true}, {110, 55, true},  // whole rows of the buffer are read
      {10, 49, false}, {10, 71, false}};
  for (const auto& write : writes) {
    Read(0, 0, 100);  // a capture
    EXPECT_FALSE(win32::ConsoleChangedSinceCapture());
    Write(write.column, write.row, "changed " + std::to_string(::GetTickCount()));
    EXPECT_EQ(win32::ConsoleChangedSinceCapture(), write.seen) << write.column << "," << write.row;
  }
}

DWORD IdlePumpMs() {
  MSG msg{};
  const ::DWORD start = ::GetTickCount();
  EXPECT_FALSE(PeekMessageA(&msg, 0, 0, 0, PM_REMOVE));
  return ::GetTickCount() - start;
}

TEST_F(Win32Console, AnIdlePumpWaitsOnlyOnAScreenTheLoopHasTestedAndNeverAfterAPause) {
  Write(20, 64, "new " + std::to_string(::GetTickCount()));
  Read(0, 0, 100);  // a capture the loop has not tested
  EXPECT_LT(IdlePumpMs(), win32::kIdleLimitMs / 2);
  Read(0, 0, 100);  // the same screen again: waits its full time
  EXPECT_GE(IdlePumpMs(), win32::kIdleLimitMs - 20);
  Read(0, 0, 100);
  Sleep(1);  // the body paused already
  EXPECT_LT(IdlePumpMs(), win32::kIdleLimitMs / 2);
  Read(0, 0, 100);
  std::thread writer([] {
    ::Sleep(50);
    Write(20, 65, "a change");
  });
  EXPECT_LT(IdlePumpMs(), win32::kIdleLimitMs - 50);
  writer.join();
  MSG msg{};
  EXPECT_FALSE(PeekMessageA(&msg, 0, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));  // a filter: no wait
}

// What a real console does on a change; Wine's console sends none.
void ConsoleEvent() { ::NotifyWinEvent(EVENT_CONSOLE_UPDATE_REGION, ::GetConsoleWindow(), 0, 0); }

TEST_F(Win32Console, AConsoleEventEndsAnIdleWaitAtOnce) {
  Read(0, 0, 100);
  IdlePumpMs();  // hooks the events
  Read(0, 0, 100);
  std::thread notifier([] {
    ::Sleep(50);
    ConsoleEvent();
  });
  const DWORD waited = IdlePumpMs();
  notifier.join();
  EXPECT_GE(waited, 40u);
  EXPECT_LT(waited, win32::kIdleLimitMs - 50);
}

std::string scrolled;
void CollectScrolled(const char* rows, std::size_t length, LPARAM) { scrolled.append(rows, length); }

// Rows that leave the window as it moves down the buffer, or as a full buffer moves its content
// up, go to the handler once, cut to the window's columns; none before it was set or after.
TEST_F(Win32Console, RowsThatLeaveTheWindowGoToTheScrolledRowsHandler) {
  for (short row = 0; row < 300; ++row) Write(0, row, "xxxxxxxxxxrow " + std::to_string(row) + std::string(90, ' '));
  WindowAt(50);
  scrolled.clear();
  SetConsoleScrolledRowsHandler(0xBAD0, CollectScrolled, 0);
  Read(0, 0, 100);
  WindowAt(53);
  Read(0, 0, 100);
  EXPECT_EQ(scrolled, "row 50\nrow 51\nrow 52\n");
  // Rows above the window written over in place: the window's move still tells what left it.
  for (short row = 45; row < 53; ++row) Write(10, row, "written over");
  WindowAt(55);
  Read(0, 0, 100);
  EXPECT_EQ(scrolled, "row 50\nrow 51\nrow 52\nrow 53\nrow 54\n");
  scrolled.clear();
  WindowAt(20);  // back up, as after a clear screen: nothing left the window
  Read(0, 0, 100);
  WindowAt(22);
  Read(0, 0, 100);
  EXPECT_EQ(scrolled, "row 20\nrow 21\n");
  WindowAt(280);  // the bottom: 227 rows left at once
  Read(0, 0, 100);
  scrolled.clear();
  const ::SMALL_RECT below_four{0, 4, 119, 299};  // moved up by four rows
  const ::CHAR_INFO blank{{' '}, 7};
  ::ScrollConsoleScreenBufferA(out, &below_four, nullptr, ::COORD{0, 0}, &blank);
  Read(0, 0, 100);
  EXPECT_EQ(scrolled, "row 280\nrow 281\nrow 282\nrow 283\n");
  SetConsoleScrolledRowsHandler(0xBAD0, nullptr, 0);
  ::ScrollConsoleScreenBufferA(out, &below_four, nullptr, ::COORD{0, 0}, &blank);
  Read(0, 0, 100);
  EXPECT_EQ(scrolled, "row 280\nrow 281\nrow 282\nrow 283\n");
  WindowAt(50);
}

// A program writing while the screen is read: however its bursts fall between the reads' calls,
// every line that scrolls off reaches the handler, once and in order, and the window goes on
// from the last. The program keeps at most 20 bursts ahead of the reads, a third of the buffer,
// so none need leave it unread.
TEST_F(Win32Console, LinesWrittenDuringTheReadsAreNeitherLostNorRepeated) {
  ASSERT_TRUE(::SetConsoleScreenBufferSize(out, ::COORD{120, 3000}));
  const ::SMALL_RECT bottom{0, 2980, 99, 2999};
  ASSERT_TRUE(::SetConsoleWindowInfo(out, TRUE, &bottom));
  ::SetConsoleCursorPosition(out, ::COORD{0, 2999});
  scrolled.clear();
  SetConsoleScrolledRowsHandler(0xBAD0, CollectScrolled, 0);
  constexpr int kLines = 30000;
  std::atomic<bool> written = false;
  std::atomic<int> looks = 0;
  std::thread program([&written, &looks] {
    std::string burst;
    for (int line = 1; line <= kLines; ++line) {
      burst += std::to_string(line) + "\r\n";
      if (line % 50 != 0) continue;
      while (line / 50 - looks > 20) ::Sleep(1);
      ::DWORD done = 0;
      ::WriteConsoleA(out, burst.data(), static_cast<::DWORD>(burst.size()), &done, nullptr);
      burst.clear();
      ::Sleep(1);
    }
    written = true;
  });
  std::string window;
  for (bool last = false; !last;) {
    last = written;  // one more look after the last burst
    window.clear();
    for (short row = 0; row < 20; ++row) {
      const std::string cells = Read(0, row, 100);
      window += cells.substr(0, cells.find(' ')) + "\n";
    }
    ++looks;
  }
  program.join();
  SetConsoleScrolledRowsHandler(0xBAD0, nullptr, 0);
  // Lines from the first one handed on, each one more than the one before, up to the window's.
  std::vector<int> lines;
  std::istringstream all(scrolled + window);
  for (std::string row; std::getline(all, row);) {
    if (row.empty()) continue;  // the window's rows below the last line
    ASSERT_EQ(row.find_first_not_of("0123456789"), std::string::npos) << "row " << row;
    lines.push_back(std::stoi(row));
  }
  ASSERT_GT(lines.size(), 3000u);
  EXPECT_EQ(lines.back(), kLines);
  for (std::size_t i = 1; i < lines.size(); ++i)
    ASSERT_EQ(lines[i], lines[i - 1] + 1) << "after " << lines[i - 1];
  ASSERT_TRUE(::SetConsoleScreenBufferSize(out, ::COORD{120, 300}));
  WindowAt(50);
}

}  // namespace
}  // namespace platform
