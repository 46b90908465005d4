// The screen model fed arbitrary terminal bytes in chunks of arbitrary
// sizes: the rows it keeps must equal what libvterm's own screen holds when
// fed what the model drew, read cell by cell, after every chunk.
#include <vterm.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/posix/screen_model.h"

namespace {

// libvterm with its own screen layer.
struct Reference {
  Reference() : vt(vterm_new(posix::kConsoleRows, posix::kConsoleColumns)) {
    vterm_set_utf8(vt, 1);
    vterm_output_set_callback(vt, [](const char*, std::size_t, void*) {}, nullptr);
    screen = vterm_obtain_screen(vt);
    vterm_screen_enable_altscreen(screen, 1);
    vterm_screen_reset(screen, 1);
  }
  ~Reference() { vterm_free(vt); }
  VTerm* vt;
  VTermScreen* screen;
};

// The row as libvterm holds it, by the model's own cell rules.
std::string ScreenRow(VTermScreen* screen, int row) {
  std::string cells;
  bool after_wide = false;
  for (int col = 0; col < posix::kConsoleColumns; ++col) {
    VTermScreenCell cell;
    vterm_screen_get_cell(screen, VTermPos{row, col}, &cell);
    char text[posix::kMaxCellBytes];
    if (!after_wide) cells.append(text, posix::CellText(cell.chars, VTERM_MAX_CHARS_PER_CELL, text));
    after_wide = cell.width == 2;
  }
  return cells;
}

void CheckRows(posix::ScreenModel& model, Reference& reference, std::string& drawn,
               int first_row, int count) {
  vterm_input_write(reference.vt, drawn.data(), drawn.size());
  drawn.clear();
  for (int i = 0; i < count; ++i) {
    int row = (first_row + i) % posix::kConsoleRows;
    char cells[posix::kRowBytes];
    std::size_t got = model.ReadRow(row, 0, cells, sizeof cells);
    if (std::string(cells, got) != ScreenRow(reference.screen, row)) std::abort();
  }
}

}  // namespace

// Input: a byte of chunk size, then the chunk, over and over. A size byte
// of 0xf8 or more makes a chunk that is repeated to over 4 KiB, long enough
// for lines that scroll away to be left out (one per input, for speed).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string answers;
  posix::ScreenModel model(&answers);
  Reference reference;
  std::string drawn;
  model.CopyDrawnTo(&drawn);
  std::size_t at = 0;
  int long_chunks = 0;
  while (at < size) {
    std::uint8_t code = data[at++];
    bool repeated = code >= 0xf8;
    std::size_t length = repeated ? (code & 0x07) * 64 + 8 : code & 0x7f;
    if (length > size - at) length = size - at;
    // Long chunks repeat their bytes, enough to scroll the screen away.
    std::string chunk(reinterpret_cast<const char*>(data + at), length);
    at += length;
    if (repeated && !chunk.empty() && ++long_chunks == 1)
      while (chunk.size() < 4200) chunk += chunk;
    model.Feed(chunk.data(), chunk.size());
    // One row between chunks (kept rows may be read any time), all at
    // the end.
    CheckRows(model, reference, drawn, code % posix::kConsoleRows, 1);
    answers.clear();
  }
  CheckRows(model, reference, drawn, 0, posix::kConsoleRows);
  return 0;
}
