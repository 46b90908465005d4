// The console's handles and its screen: ConsoleScreenSize and
// ReadConsoleOutputCharacterA read the visible window of the buffer,
// through CONOUT$ whatever handle the core passes; the rows above it that
// left it go to the scrolled-rows handler at each capture.
#include "platform/win32/console.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace platform {

namespace win32 {
namespace {

// Null when there is no console to open.
::HANDLE console_input = nullptr;
::HANDLE console_output = nullptr;

/// What the last capture read: the visible window of the buffer and the row
/// below it (where new output goes before the window follows it), in one
/// call. The core then takes its rows from `cells`.
struct Capture {
  ::HANDLE source = nullptr;
  ::SMALL_RECT window{0, 0, 79, 24};
  int buffer_width = 80;
  int buffer_height = 25;
  int rows_read = 0;            // the window's rows, and the one below if any
  bool geometry_fresh = false;  // from ConsoleScreenSize, for the capture under way
  bool taken = false;
  std::vector<char> cells;  // rows_read rows of buffer_width; keeps its capacity
  std::vector<char> probe;  // the same region read again
  std::vector<char> tested;  // the cells of the capture before the last idle pump
};
Capture capture;

int WindowRows() { return capture.window.Bottom - capture.window.Top + 1; }
int WindowColumns() { return capture.window.Right - capture.window.Left + 1; }

bool TakeGeometry(::HANDLE output) {
  ::CONSOLE_SCREEN_BUFFER_INFO info;
  if (!::GetConsoleScreenBufferInfo(output, &info)) return false;
  capture.source = output;
  capture.window = info.srWindow;
  capture.buffer_width = info.dwSize.X;
  capture.buffer_height = info.dwSize.Y;
  capture.rows_read = WindowRows() + (info.srWindow.Bottom + 1 < info.dwSize.Y ? 1 : 0);
  return true;
}

/// The whole region in one call (one call costs what one row costs); cells
/// not delivered are NUL. Should a very large window not fit one call, the
/// capture is not taken and rows are read one by one.
bool ReadRegion(std::vector<char>& into) {
  const std::size_t size = static_cast<std::size_t>(capture.rows_read) * capture.buffer_width;
  into.resize(size);
  ::DWORD done = 0;
  ::COORD at{0, capture.window.Top};
  if (!::ReadConsoleOutputCharacterA(capture.source, into.data(), static_cast<::DWORD>(size), at,
                                     &done))
    return false;
  std::fill(into.begin() + std::min<std::size_t>(done, size), into.end(), '\0');
  return true;
}

void Refresh(::HANDLE output) {
  capture.taken = (capture.geometry_fresh && capture.source == output) || TakeGeometry(output);
  capture.geometry_fresh = false;
  if (capture.taken) capture.taken = ReadRegion(capture.cells);
}

// The scroll-back: the rows of the buffer above the window that left the
// window since the last look. New lines move the window down the buffer or,
// where the buffer is full, its content up; either way the rows that stood
// just above the window at the last look (the anchor) are found again, and
// what follows them up to the window is new. Each look searches and hands on
// rows from one read and takes the next anchor from that same read, so that
// a program's output landing between two calls is neither lost nor repeated.
constexpr int kAnchorRows = 8;
struct ScrollBack {
  SCROLLEDROWSPROC handler = nullptr;
  LPARAM param = 0;
  bool marked = false;
  int top = 0;        // the window's top row in the buffer at the last look
  int width = 0;      // the buffer's width then
  int anchor_at = 0;  // the anchor's first row then
  std::vector<char> anchor;  // its rows, width each: none when the window was at the top
  std::vector<char> rows;    // rows read back from the buffer
  std::string batch;         // what goes to the handler
};
ScrollBack scroll_back;

// Reads `count` whole rows of the buffer from `first` on into `into`.
bool ReadRows(int first, int count, std::vector<char>& into) {
  into.assign(static_cast<std::size_t>(count) * capture.buffer_width, ' ');
  ::DWORD done = 0;
  return count == 0 ||
         ::ReadConsoleOutputCharacterA(capture.source, into.data(), static_cast<::DWORD>(into.size()),
                                       ::COORD{0, static_cast<::SHORT>(first)}, &done);
}

// The anchor: the last rows of `s.rows`, which were read from row `first` up
// to the window's top.
void KeepAnchor(int first, int top) {
  ScrollBack& s = scroll_back;
  const std::size_t width = static_cast<std::size_t>(capture.buffer_width);
  s.marked = true;
  s.top = top;
  s.width = capture.buffer_width;
  s.anchor_at = std::max(first, top - kAnchorRows);
  s.anchor.assign(s.rows.begin() + static_cast<std::ptrdiff_t>((s.anchor_at - first) * width),
                  s.rows.begin() + static_cast<std::ptrdiff_t>((top - first) * width));
}

void MarkScrollBack() {
  const int top = capture.window.Top;
  const int first = std::max(0, top - kAnchorRows);
  scroll_back.marked = ReadRows(first, top - first, scroll_back.rows);
  if (scroll_back.marked) KeepAnchor(first, top);
}

// The row after the anchor in `s.rows` (read from `first`), looked for from
// `start` up the buffer, nearest first; -1 when it is not there.
int AfterAnchor(int first, int start) {
  const ScrollBack& s = scroll_back;
  const std::size_t width = static_cast<std::size_t>(capture.buffer_width);
  for (int at = start; at >= first; --at)
    if (std::equal(s.anchor.begin(), s.anchor.end(),
                   s.rows.begin() + static_cast<std::ptrdiff_t>((at - first) * width)))
      return at + static_cast<int>(s.anchor.size() / width);
  return -1;
}

// Rows [from, to) of `s.rows` (read from `first`) to the handler, each cut to
// the window's columns, without its closing blanks.
void HandOn(int first, int from, int to) {
  ScrollBack& s = scroll_back;
  s.batch.clear();
  for (int row = from; row < to; ++row) {
    const char* cells = s.rows.data() + static_cast<std::size_t>(row - first) * capture.buffer_width +
                        capture.window.Left;
    int length = WindowColumns();
    while (length > 0 && cells[length - 1] == ' ') --length;
    s.batch.append(cells, static_cast<std::size_t>(length));
    s.batch += '\n';
  }
  if (!s.batch.empty()) s.handler(s.batch.data(), s.batch.size(), s.param);
}

void LookBack() {
  ScrollBack& s = scroll_back;
  const int top = capture.window.Top;
  const bool full = capture.window.Bottom + 1 >= capture.buffer_height;
  if (s.marked && !full && top == s.top) return;  // neither the window nor the content moved
  // Nothing above the window, a window moved back up, or another buffer's shape: nothing left it.
  if (!s.marked || top == 0 || top < s.top || s.width != capture.buffer_width)
    return MarkScrollBack();
  const int anchor_rows = static_cast<int>(s.anchor.size()) / s.width;
  const int start = std::min(s.anchor_at, top - anchor_rows);
  for (int span = 64;; span *= 2) {
    const int first = std::max(0, start - span);
    if (!ReadRows(first, top - first, s.rows)) return MarkScrollBack();
    int after = AfterAnchor(first, start);
    if (after < 0 && first > 0) continue;
    // Not there: a full buffer has moved it out, and all that is still there is new; else its
    // rows were written over, and the window's move tells what left it.
    if (after < 0) after = full ? 0 : s.top;
    HandOn(first, after, top);
    return KeepAnchor(first, top);
  }
}

::HANDLE OpenInheritable(const char* name) {
  ::SECURITY_ATTRIBUTES inherit{sizeof(::SECURITY_ATTRIBUTES), nullptr, TRUE};
  ::HANDLE opened = ::CreateFileA(name, GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                                  nullptr);
  return opened == ToHandle(INVALID_HANDLE_VALUE) ? nullptr : opened;
}

// A started program's standard handle: the console's unless the core's is
// a console handle already (klavrun's own may be files).
::HANDLE OnConsole(::HANDLE given, ::HANDLE console) {
  ::DWORD mode = 0;
  return !console || ::GetConsoleMode(given, &mode) ? given : console;
}

}  // namespace

void OpenConsole() {
  console_input = OpenInheritable("CONIN$");
  console_output = OpenInheritable("CONOUT$");
}

::HANDLE ConsoleInput(::HANDLE fallback) {
  return console_input ? console_input : fallback;
}

::HANDLE ConsoleOutput(::HANDLE fallback) {
  return console_output ? console_output : fallback;
}

void GiveConsole(::STARTUPINFOA& startup) {
  if (!(startup.dwFlags & STARTF_USESTDHANDLES)) return;
  startup.hStdInput = OnConsole(startup.hStdInput, console_input);
  startup.hStdOutput = OnConsole(startup.hStdOutput, console_output);
  startup.hStdError = OnConsole(startup.hStdError, console_output);
}

bool CaptureIsNew() {
  if (!capture.taken || capture.cells == capture.tested) return false;
  capture.tested = capture.cells;
  return true;
}

bool ConsoleChangedSinceCapture() {
  if (!capture.taken || !ReadRegion(capture.probe)) return false;
  return capture.probe != capture.cells;
}

}  // namespace win32

using win32::ToHandle;

void SetConsoleScrolledRowsHandler(HANDLE output, SCROLLEDROWSPROC handler, LPARAM param) {
  using win32::scroll_back;
  if (!handler) {
    scroll_back.handler = nullptr;
    return;
  }
  const bool taken = win32::TakeGeometry(win32::ConsoleOutput(ToHandle(output)));
  win32::capture.geometry_fresh = false;
  if (taken && scroll_back.handler) win32::LookBack();
  scroll_back.handler = handler;
  scroll_back.param = param;
  scroll_back.marked = false;  // rows from before the handler are not its own
  if (taken) win32::MarkScrollBack();
}

ScreenSize ConsoleScreenSize(HANDLE output) {
  win32::capture.geometry_fresh = win32::TakeGeometry(win32::ConsoleOutput(ToHandle(output)));
  if (!win32::capture.geometry_fresh) return ScreenSize{25, 80};  // no console: the old screen
  return ScreenSize{win32::WindowRows(), win32::WindowColumns()};
}

// Rows and columns count from the window's top left corner and stop at its
// right edge. Reading the top row reads the whole window; the other rows of
// the same capture come from that read.
BOOL ReadConsoleOutputCharacterA(HANDLE output, char* buffer, DWORD length, COORD read_at,
                                 DWORD* read) {
  using win32::capture;
  if (read) *read = 0;
  if (read_at.X < 0 || read_at.Y < 0) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  ::HANDLE console = win32::ConsoleOutput(ToHandle(output));
  if (read_at.Y == 0 || !capture.taken || capture.source != console) {
    win32::Refresh(console);
    if (read_at.Y == 0 && capture.taken && win32::scroll_back.handler) win32::LookBack();
  }
  const int columns = win32::WindowColumns();
  const DWORD count =
      read_at.X >= columns ? 0 : std::min<DWORD>(length, static_cast<DWORD>(columns - read_at.X));
  const int column = capture.window.Left + read_at.X;
  if (capture.taken && read_at.Y < win32::WindowRows()) {
    if (count) std::memcpy(buffer, capture.cells.data() + read_at.Y * capture.buffer_width + column, count);
    if (read) *read = count;
    return 1;
  }
  ::DWORD done = 0;
  ::COORD at{static_cast<::SHORT>(column), static_cast<::SHORT>(capture.window.Top + read_at.Y)};
  BOOL ok = ::ReadConsoleOutputCharacterA(console, buffer, count, at, &done);
  if (read) *read = done;
  return ok;
}

}  // namespace platform
