#include "runner/screen.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/ascii.h"
#include "platform/platform.h"
#include "runner/globals.h"

namespace {

// Sizes beyond any console: a platform answer outside them is clamped.
constexpr int kMostRows = 1000;
constexpr int kMostRowBytes = 1 << 16;

int Clamp(int value, int most) { return value < 0 ? 0 : value > most ? most : value; }

// The row's bytes up to its first NUL.
std::size_t RowLength(const char* cells, int row_bytes) {
  const void* nul = std::memchr(cells, 0, static_cast<std::size_t>(row_bytes));
  return nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - cells)
             : static_cast<std::size_t>(row_bytes);
}

}  // namespace

void ReadScreenRow(short row, char* cells, int length, int* filled) {
  platform::DWORD read = 0;
  // The result is not needed: cells not delivered are NUL.
  platform::ReadConsoleOutputCharacterA(Run.StdOutHandle, cells,
                                        static_cast<platform::DWORD>(length),
                                        platform::COORD{0, row}, &read);
  const int now = read > static_cast<platform::DWORD>(length) ? length : static_cast<int>(read);
  if (*filled > now) std::memset(cells + now, 0, static_cast<std::size_t>(*filled - now));
  *filled = now;
}

void CaptureScreen(ScreenImage& screen) {
  platform::ScreenSize size = platform::ConsoleScreenSize(Run.StdOutHandle);
  const int rows = Clamp(size.Rows, kMostRows);
  const int row_bytes = Clamp(size.RowBytes, kMostRowBytes);
  if (rows != screen.Rows || row_bytes != screen.RowBytes) {
    // A new shape: every byte is NUL again, which the reads rely on.
    screen.Rows = rows;
    screen.RowBytes = row_bytes;
    std::size_t bytes = static_cast<std::size_t>(rows) * row_bytes;
    if (screen.Cells.size() < bytes) screen.Cells.resize(bytes);
    std::fill(screen.Cells.begin(), screen.Cells.begin() + static_cast<std::ptrdiff_t>(bytes), '\0');
    screen.Filled.assign(static_cast<std::size_t>(rows), 0);
  }
  for (int row = 0; row < rows; ++row)
    ReadScreenRow(static_cast<short>(row), screen.Row(row), row_bytes, &screen.Filled[row]);
}

bool ScreenContains(const std::string& text, const ScreenImage& screen) {
  if (text.empty()) return false;
  const std::string_view wanted(text);
  // Grows to the widest row once and is kept: the search allocates nothing.
  static std::vector<char> row_text;
  if (row_text.size() < static_cast<std::size_t>(screen.RowBytes))
    row_text.resize(static_cast<std::size_t>(screen.RowBytes));
  for (int row = 0; row < screen.Rows; ++row) {
    const char* cells = screen.Row(row);
    std::size_t len = RowLength(cells, screen.RowBytes);
    std::size_t begin = 0;
    while (begin < len && static_cast<unsigned char>(cells[begin]) <= 0x20) ++begin;
    if (len - begin < wanted.size()) continue;
    for (std::size_t i = begin; i < len; ++i) {
      row_text[i - begin] = ascii::Lower(cells[i]);
    }
    if (std::string_view(row_text.data(), len - begin).find(wanted) != std::string_view::npos)
      return true;
  }
  return false;
}

std::string ScreenText(const ScreenImage& screen) {
  std::string text;
  for (int row = 0; row < screen.Rows; ++row) {
    const char* cells = screen.Row(row);
    std::size_t len = RowLength(cells, screen.RowBytes);
    while (len > 0 && static_cast<unsigned char>(cells[len - 1]) <= 0x20) --len;
    text.append(cells, len);
    text += '\n';
  }
  return text;
}
