#include "runner/screen.h"

#include <cstring>
#include <string_view>

#include "platform/platform.h"
#include "runner/globals.h"

void ReadScreenRow(short row, char* cells) {
  char buffer[kScreenColumns];
  std::memset(buffer, 0, sizeof buffer);
  platform::DWORD read = 0;
  // Result and count are not needed: cells not delivered stay NUL.
  platform::ReadConsoleOutputCharacterA(Run.StdOutHandle, buffer, kScreenColumns,
                                        platform::COORD{0, row}, &read);
  std::memcpy(cells, buffer, sizeof buffer);
}

void CaptureScreen(ScreenImage& screen) {
  for (short row = 0; row < kScreenRows; ++row) ReadScreenRow(row, screen.Cells[row]);
}

bool ScreenContains(const std::string& text, const ScreenImage& screen) {
  if (text.empty()) return false;
  const std::string_view wanted(text);
  char row_text[kScreenColumns];
  for (int row = 0; row < kScreenRows; ++row) {
    const char* cells = screen.Cells[row];
    const void* nul = std::memchr(cells, 0, kScreenColumns);
    std::size_t len = nul ? static_cast<const char*>(nul) - cells : kScreenColumns;
    std::size_t begin = 0;
    while (begin < len && static_cast<unsigned char>(cells[begin]) <= 0x20) ++begin;
    while (len > begin && static_cast<unsigned char>(cells[len - 1]) <= 0x20) --len;
    for (std::size_t i = begin; i < len; ++i) {
      char c = cells[i];
      row_text[i - begin] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 0x20) : c;
    }
    if (std::string_view(row_text, len - begin).find(wanted) != std::string_view::npos)
      return true;
  }
  return false;
}
