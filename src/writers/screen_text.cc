#include "writers/screen_text.h"

#include <cstring>

namespace writers {

namespace {

std::string Starred(const char* cells, std::size_t size, const std::vector<std::string>& secrets) {
  std::string starred(cells, size);
  for (const std::string& secret : secrets) {
    if (secret.empty()) continue;
    for (std::size_t at = starred.find(secret); at != std::string::npos;
         at = starred.find(secret, at + secret.size()))
      starred.replace(at, secret.size(), secret.size(), '*');
  }
  return starred;
}

}  // namespace

std::string ScreenText(const char* cells, int rows, int row_bytes,
                       const std::vector<std::string>& secrets) {
  if (!secrets.empty() && rows > 0 && row_bytes > 0) {
    const std::string starred =
        Starred(cells, static_cast<std::size_t>(rows) * static_cast<std::size_t>(row_bytes), secrets);
    return ScreenText(starred.data(), rows, row_bytes);
  }
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
