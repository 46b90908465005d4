#include "runner/screen.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>
#include <vector>

#include "platform/ascii.h"
#include "platform/platform.h"
#include "runner/globals.h"
#include "writers/screen_text.h"

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

// Sizes the storage for rows x row_bytes; it only grows.
void Reshape(ScreenImage& screen, int rows, int row_bytes) {
  screen.Rows = rows;
  screen.RowBytes = row_bytes;
  const std::size_t bytes = static_cast<std::size_t>(rows) * row_bytes;
  if (screen.Cells.size() < bytes) screen.Cells.resize(bytes);
  if (screen.Folded.size() < bytes) screen.Folded.resize(bytes);
  if (screen.Spans.size() < static_cast<std::size_t>(rows))
    screen.Spans.resize(static_cast<std::size_t>(rows));
}

// The row as the search reads it: up to its first NUL, without the bytes
// 0x20 and below it starts with, lower-cased (ASCII).
void FoldRow(ScreenImage& screen, int row) {
  const char* cells = screen.Row(row);
  const std::size_t len = RowLength(cells, screen.RowBytes);
  std::size_t begin = 0;
  while (begin < len && static_cast<unsigned char>(cells[begin]) <= 0x20) ++begin;
  char* folded = screen.Folded.data() + (cells - screen.Cells.data());
  for (std::size_t i = begin; i < len; ++i) folded[i] = ascii::Lower(cells[i]);
  screen.Spans[static_cast<std::size_t>(row)] = {static_cast<std::uint32_t>(begin),
                                                 static_cast<std::uint32_t>(len)};
}

// Output that scrolls moves rows up, a line or two between captures: a
// row below may still hold the text `row` now has, folded already. Returns
// that row, or -1.
int RowScrolledUp(const ScreenImage& screen, int row, const char* cells, int filled) {
  for (int below = row + 1; below <= row + 2 && below < screen.Rows; ++below)
    if (screen.Filled[static_cast<std::size_t>(below)] == filled &&
        std::memcmp(screen.Row(below), cells, static_cast<std::size_t>(filled)) == 0)
      return below;
  return -1;
}

// Row `to` takes row `from`'s folded text: their cells are the same.
void CopyFolded(ScreenImage& screen, int from, int to) {
  const SearchSpan span = screen.Spans[static_cast<std::size_t>(from)];
  char* folded = screen.Folded.data();
  std::memcpy(folded + static_cast<std::size_t>(to) * screen.RowBytes + span.Begin,
              folded + static_cast<std::size_t>(from) * screen.RowBytes + span.Begin,
              span.End - span.Begin);
  screen.Spans[static_cast<std::size_t>(to)] = span;
}

bool SearchFolded(std::string_view wanted, const ScreenImage& screen) {
  for (int row = 0; row < screen.Rows; ++row) {
    const SearchSpan span = screen.Spans[static_cast<std::size_t>(row)];
    if (span.End - span.Begin < wanted.size()) continue;
    const char* folded = screen.Folded.data() + static_cast<std::size_t>(row) * screen.RowBytes;
    if (std::string_view(folded + span.Begin, span.End - span.Begin).find(wanted) !=
        std::string_view::npos)
      return true;
  }
  return false;
}

}  // namespace

int ReadScreenRow(short row, char* cells, int length) {
  platform::DWORD read = 0;
  // The result is not needed: what was not delivered counts as NUL.
  platform::ReadConsoleOutputCharacterA(Run.StdOutHandle, cells,
                                        static_cast<platform::DWORD>(length),
                                        platform::COORD{0, row}, &read);
  return read > static_cast<platform::DWORD>(length) ? length : static_cast<int>(read);
}

void CaptureScreen(ScreenImage& screen) {
  platform::ScreenSize size = platform::ConsoleScreenSize(Run.StdOutHandle);
  const int rows = Clamp(size.Rows, kMostRows);
  const int row_bytes = Clamp(size.RowBytes, kMostRowBytes);
  // A new shape leaves nothing to compare with: every row is folded anew,
  // from rows all NUL.
  const bool fresh = !screen.Prepared || rows != screen.Rows || row_bytes != screen.RowBytes;
  Reshape(screen, rows, row_bytes);
  if (fresh) {
    std::fill(screen.Cells.begin(),
              screen.Cells.begin() + static_cast<std::ptrdiff_t>(rows) * row_bytes, '\0');
    screen.Filled.assign(static_cast<std::size_t>(rows), 0);
  }
  // Grows to the widest row once and is kept.
  static std::vector<char> row_read;
  if (row_read.size() < static_cast<std::size_t>(row_bytes))
    row_read.resize(static_cast<std::size_t>(row_bytes));
  bool changed = fresh;
  for (int row = 0; row < rows; ++row) {
    // Only the bytes the platform fills are compared and copied: a UTF-8
    // row may take 24 bytes a cell, though few rows do.
    const int now = ReadScreenRow(static_cast<short>(row), row_read.data(), row_bytes);
    int& before = screen.Filled[static_cast<std::size_t>(row)];
    char* cells = screen.Row(row);
    if (!fresh && now == before &&
        std::memcmp(cells, row_read.data(), static_cast<std::size_t>(now)) == 0)
      continue;
    const int below = fresh ? -1 : RowScrolledUp(screen, row, row_read.data(), now);
    std::memcpy(cells, row_read.data(), static_cast<std::size_t>(now));
    if (before > now) std::memset(cells + now, 0, static_cast<std::size_t>(before - now));
    before = now;
    if (below >= 0)
      CopyFolded(screen, below, row);
    else
      FoldRow(screen, row);
    changed = true;
  }
  screen.Prepared = true;
  if (changed) screen.LastValid = false;
}

void PrepareForSearch(ScreenImage& screen) {
  Reshape(screen, screen.Rows, screen.RowBytes);
  for (int row = 0; row < screen.Rows; ++row) FoldRow(screen, row);
  screen.Prepared = true;
  screen.LastValid = false;
}

bool ScreenContains(const std::string& text, const ScreenImage& screen) {
  if (text.empty()) return false;
  if (!screen.Prepared) {
    ScreenImage prepared = screen;
    PrepareForSearch(prepared);
    return SearchFolded(text, prepared);
  }
  // A wait asks the same question of the same screen over and over.
  if (!screen.LastValid || screen.LastText != text) {
    screen.LastFound = SearchFolded(text, screen);
    screen.LastText = text;
    screen.LastValid = true;
  }
  return screen.LastFound;
}

bool RowsContain(const std::string& text, const char* rows, std::size_t length) {
  if (text.empty() || text.find('\n') != std::string::npos) return false;
  const std::size_t last = text.find_last_not_of(' ');
  const std::size_t blanks = last == std::string::npos ? text.size() : text.size() - 1 - last;
  // Kept between calls, grown once: the rows come in batches of up to tens of KB.
  static std::vector<char> folded;
  std::size_t size = 0;
  if (static_cast<unsigned char>(text[0]) > 0x20 && blanks == 0 &&
      !std::memchr(rows, 0, length)) {
    // No leading blank to skip, no blank to add: the rows are searched as
    // they are, in one piece.
    if (folded.size() < length) folded.resize(length);
    ascii::LowerInto(rows, length, folded.data());
    size = length;
  } else {
    for (const char* row = rows; row < rows + length;) {
      const char* end = static_cast<const char*>(std::memchr(row, '\n', rows + length - row));
      if (end == nullptr) end = rows + length;
      const std::size_t len = RowLength(row, static_cast<int>(end - row));
      std::size_t begin = 0;
      while (begin < len && static_cast<unsigned char>(row[begin]) <= 0x20) ++begin;
      if (folded.size() < size + len - begin + blanks + 1) folded.resize(2 * (size + len + blanks + 1));
      ascii::LowerInto(row + begin, len - begin, folded.data() + size);
      size += len - begin;
      std::memset(folded.data() + size, ' ', blanks);
      size += blanks;
      folded[size++] = '\n';
      row = end + 1;
    }
  }
  // A flood's long batches are searched skipping ahead; a row or two as
  // they are: the skip table would cost more than it saves.
  const std::string_view all(folded.data(), size);
  if (size < 4096) return all.find(text) != std::string_view::npos;
  return std::search(all.begin(), all.end(),
                     std::boyer_moore_horspool_searcher(text.begin(), text.end())) != all.end();
}

std::string ScreenText(const ScreenImage& screen) {
  return writers::ScreenText(screen.Cells.data(), screen.Rows, screen.RowBytes);
}

std::string ScreenPicture(const ScreenImage& screen) {
  return writers::ScreenText(screen.Cells.data(), screen.Rows, screen.RowBytes, Run.Secrets);
}
