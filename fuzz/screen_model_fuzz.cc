// The screen model fed arbitrary terminal bytes in chunks of arbitrary
// sizes: the rows it keeps must equal what libvterm's own screen holds when
// fed what the model drew, read cell by cell, after every chunk.
#include <vterm.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/posix/console/screen_model.h"

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

// The row as libvterm holds it, by the model's own cell rules, into out
// (kRowBytes); returns its length.
// The checks are not what is fuzzed: they stay out of the coverage.
#define NOT_COVERED __attribute__((no_sanitize("coverage")))

NOT_COVERED std::size_t ScreenRow(VTermScreen* screen, int row, char* out) {
  std::size_t length = 0;
  bool after_wide = false;
  for (int col = 0; col < posix::kConsoleColumns; ++col) {
    VTermScreenCell cell;
    vterm_screen_get_cell(screen, VTermPos{row, col}, &cell);
    if (after_wide) {
    } else if (cell.chars[0] >= 0x20 && cell.chars[0] < 0x7f && cell.chars[1] == 0) {
      out[length++] = static_cast<char>(cell.chars[0]);  // most cells
    } else {
      length += posix::CellText(cell.chars, VTERM_MAX_CHARS_PER_CELL, out + length);
    }
    after_wide = cell.width == 2;
  }
  return length;
}

NOT_COVERED void CheckRows(posix::ScreenModel& model, Reference& reference, std::string& drawn,
               int first_row, int count) {
  vterm_input_write(reference.vt, drawn.data(), drawn.size());
  drawn.clear();
  for (int i = 0; i < count; ++i) {
    int row = (first_row + i) % posix::kConsoleRows;
    static char cells[posix::kRowBytes];
    static char expected[posix::kRowBytes];
    const std::size_t got = model.ReadRow(row, 0, cells, sizeof cells);
    if (got != ScreenRow(reference.screen, row, expected) || std::memcmp(cells, expected, got) != 0)
      std::abort();
  }
}

NOT_COVERED bool Plain(std::uint8_t byte) {
  return (byte >= 0x20 && byte <= 0x7e) || byte == '\r' || byte == '\n' || byte == '\t';
}

}  // namespace

// Input: a byte of chunk size, then the chunk, over and over. A size byte
// of 0xf8 or more makes a long chunk (one per input): its plain start
// (text, CR, LF, tab) repeated to over 4 KiB, enough lines for the model to
// leave out those that scroll away, then the rest of it once.
//
// The model and libvterm's screen last from one input to the next, which
// spares their set-up; each input begins with what ends any sequence or
// character the one before left open (CAN, a letter), then a full reset
// (RIS). libvterm keeps a little past a reset, so a finding that does not
// come back on its own comes back after the inputs run before it.
extern "C" NOT_COVERED int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::string answers;
  static posix::ScreenModel model(&answers);
  static Reference reference;
  static std::string drawn;
  static std::string chunk;
  model.CopyDrawnTo(&drawn);
  model.Feed("\x18X\x1b" "c", 4);
  std::size_t at = 0;
  bool long_chunk_made = false;
  while (at < size) {
    const std::uint8_t code = data[at++];
    const bool repeated = code >= 0xf8;
    std::size_t length = repeated ? (code & 0x07) * 64 + 8 : code & 0x7f;
    if (length > size - at) length = size - at;
    const char* bytes = reinterpret_cast<const char*>(data + at);
    chunk.assign(bytes, length);
    if (repeated && !long_chunk_made) {
      long_chunk_made = true;
      std::size_t plain = 0;
      while (plain < length && Plain(data[at + plain])) ++plain;
      chunk.clear();
      while (plain > 0 && chunk.size() < 4200) chunk.append(bytes, plain);
      chunk.append(bytes + plain, length - plain);
    }
    at += length;
    model.Feed(chunk.data(), chunk.size());
    // One row between chunks (kept rows may be read any time), all at
    // the end.
    CheckRows(model, reference, drawn, code % posix::kConsoleRows, 1);
    answers.clear();
  }
  CheckRows(model, reference, drawn, 0, posix::kConsoleRows);
  return 0;
}
