#include "writers/screen_text.h"

#include <cstring>

namespace writers {

std::string ScreenText(const char* cells, int rows, int row_bytes) {
  std::string text;
  for (int row = 0; row < rows; ++row, cells += row_bytes) {
    const void* nul = std::memchr(cells, 0, static_cast<std::size_t>(row_bytes));
    std::size_t length = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - cells)
                             : static_cast<std::size_t>(row_bytes);
    while (length > 0 && static_cast<unsigned char>(cells[length - 1]) <= 0x20) --length;
    text.append(cells, length);
    text += '\n';
  }
  return text;
}

}  // namespace writers
