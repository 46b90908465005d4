#include "platform/posix/console/screen_model.h"

#include <vterm.h>

#include <algorithm>
#include <cstring>

#include "platform/ascii.h"

namespace posix {
namespace {

void OutputCallback(const char* bytes, std::size_t length, void* user) {
  static_cast<ScreenModel*>(user)->Output(bytes, length);
}

// The screen layer on libvterm's state: libvterm's own would move every cell
// of the screen on each line feed, where these only reorder rows.
int PutGlyphCallback(VTermGlyphInfo* info, VTermPos pos, void* user) {
  return static_cast<ScreenModel*>(user)->PutGlyph(info->chars, info->width,
                                                   info->protected_cell, pos.row, pos.col);
}

int MoveRectCallback(VTermRect dest, VTermRect src, void* user) {
  static_cast<ScreenModel*>(user)->Moved(
      dest.start_row, dest.start_col, src.start_row, src.start_col,
      src.end_row - src.start_row, src.end_col - src.start_col);
  return 1;
}

int EraseCallback(VTermRect rect, int selective, void* user) {
  static_cast<ScreenModel*>(user)->Erase(rect.start_row, rect.end_row, rect.start_col,
                                         rect.end_col, selective != 0);
  return 1;
}

int PenCallback(VTermAttr, VTermValue*, void*) { return 1; }

int TermPropCallback(VTermProp prop, VTermValue* value, void* user) {
  int number = 0;
  if (prop == VTERM_PROP_CURSORVISIBLE || prop == VTERM_PROP_ALTSCREEN)
    number = value->boolean;
  else if (prop == VTERM_PROP_MOUSE)
    number = value->number;
  static_cast<ScreenModel*>(user)->TermPropChanged(prop, number);
  return 1;
}

// A line made double width keeps only the cells of its left half.
int LineInfoCallback(int row, const VTermLineInfo* now, const VTermLineInfo* before,
                     void* user) {
  ScreenModel* model = static_cast<ScreenModel*>(user);
  if (now->doublewidth && !before->doublewidth)
    model->Erase(row, row + 1, model->columns() / 2, model->columns(), false);
  return 1;
}

const VTermStateCallbacks kStateCallbacks = {
    PutGlyphCallback,  // putglyph
    nullptr,           // movecursor
    nullptr,           // scrollrect: a move and an erase
    MoveRectCallback,  // moverect
    EraseCallback,     // erase
    nullptr,           // initpen
    PenCallback,       // setpenattr: colours show nothing
    TermPropCallback,  // settermprop
    nullptr,           // bell
    nullptr,           // resize: the console keeps its size
    LineInfoCallback,  // setlineinfo
};

static_assert(ScreenModel::kCharsPerCell == VTERM_MAX_CHARS_PER_CELL, "cells as libvterm's");

// FeedLater holds back at most this much text.
constexpr std::size_t kHoldLimit = 1024 * 1024;
// libvterm 0.1.4 keeps 16 parameters of a CSI sequence and writes past them.
constexpr int kMaxCsiSeparators = 15;
// A chunk is worth looking at for lines to leave out from this size on.
constexpr std::size_t kSkipWorthwhile = 4096;
// Scrolled rows go to their sink once this much is kept, and at the end of
// each Feed.
constexpr std::size_t kHandOverAt = 64 * 1024;

// Lines after a cut that push everything before it off a screen of `rows`
// rows, from cursor row `row`: the rows below it to reach the last row,
// `rows` more to scroll it all away, one for the line break that stands in
// for what was cut. A flood keeps the cursor on the last row: 26 on 25 rows.
int LinesToScrollAway(int row, int rows) { return (rows - 1 - row) + rows + 1; }

bool Plain(unsigned char byte) {
  return (byte >= 0x20 && byte <= 0x7e) || byte == '\r' || byte == '\n' ||
         byte == '\t';
}

// The length of the plain text `p` starts with; *odd: where in it the first
// tab, or CR or LF not in a CR LF, stands (a LF first may end the chunk
// before's CR), if there is one.
std::size_t PlainRun(const unsigned char* p, std::size_t length, std::size_t* odd) {
  // Eight printable ASCII bytes at a time: none below 0x20, none from 0x7f on.
  const auto printable = [](std::uint64_t word) {
    return (ascii::ControlBytes(word) | (((word + ascii::kEachByte) | word) & ascii::kTopBits)) == 0;
  };
  return ascii::Scan(p, length, printable, [&](std::size_t& i) {
    const unsigned char b = p[i];
    if (b >= 0x20 && b <= 0x7e) return true;
    if (b == '\r' && i + 1 < length && p[i + 1] == '\n') {
      ++i;  // the usual line end
      return true;
    }
    if (b != '\r' && b != '\n' && b != '\t') return false;
    if (*odd == length && (b != '\n' || i > 0)) *odd = i;
    return true;
  });
}

void ProbeRegion(VTerm* vt) {
  static const char kAskScrollRegion[] = "\x1bP$qr\x1b\\\x1bP$qs\x1b\\";
  vterm_input_write(vt, kAskScrollRegion, sizeof kAskScrollRegion - 1);
}

void ProbeAutowrap(VTerm* vt) {
  static const char kAskAutowrap[] = "\x1b[?7$p";
  vterm_input_write(vt, kAskAutowrap, sizeof kAskAutowrap - 1);
}

void ProbeUp(VTerm* vt) { vterm_keyboard_key(vt, VTERM_KEY_UP, VTERM_MOD_NONE); }
void ProbeKeypad(VTerm* vt) {
  vterm_keyboard_key(vt, VTERM_KEY_KP_0, VTERM_MOD_NONE);
}
void ProbePaste(VTerm* vt) { vterm_keyboard_start_paste(vt); }

}  // namespace

namespace {

bool Printable(std::uint32_t c) {
  return c >= 0x20 && c != 0x7f && !(c >= 0x80 && c <= 0x9f) && c <= 0x10ffff &&
         !(c >= 0xd800 && c <= 0xdfff);
}

std::size_t Utf8(std::uint32_t c, char* out) {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xc0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3f));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<char>(0xe0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3f));
    out[2] = static_cast<char>(0x80 | (c & 0x3f));
    return 3;
  }
  out[0] = static_cast<char>(0xf0 | (c >> 18));
  out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3f));
  out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3f));
  out[3] = static_cast<char>(0x80 | (c & 0x3f));
  return 4;
}

}  // namespace

std::size_t CellText(const std::uint32_t* chars, std::size_t count, char* out) {
  if (count == 0 || !Printable(chars[0])) {
    out[0] = ' ';
    return 1;
  }
  std::size_t size = 0;
  for (std::size_t i = 0; i < count && chars[i] != 0; ++i)
    if (Printable(chars[i]) && size + 4 <= static_cast<std::size_t>(kMaxCellBytes))
      size += Utf8(chars[i], out + size);
  return size;
}

ScreenModel::ScreenModel(std::string* to_programs, std::string* replies, int rows,
                         int columns)
    : rows_count_(rows),
      columns_(columns),
      whole_screen_("\x1bP1$r1;" + std::to_string(rows) + "r\x1b\\\x1bP1$r1;" +
                    std::to_string(columns) + "s\x1b\\"),
      new_order_(static_cast<std::size_t>(rows)),
      freed_(static_cast<std::size_t>(rows)),
      vt_(vterm_new(rows, columns)),
      to_programs_(to_programs),
      replies_(replies ? replies : to_programs),
      sink_(to_programs) {
  Row blank;
  blank.cells.assign(static_cast<std::size_t>(columns), Glyph{});
  blank.text.assign(static_cast<std::size_t>(columns) * kMaxCellBytes, ' ');
  blank.end.assign(static_cast<std::size_t>(columns), 0);
  for (int buffer = 0; buffer < 2; ++buffer) {
    rows_[buffer].assign(static_cast<std::size_t>(rows), blank);
    order_[buffer].resize(static_cast<std::size_t>(rows));
    for (int row = 0; row < rows; ++row) order_[buffer][static_cast<std::size_t>(row)] = row;
  }
  vterm_set_utf8(vt_, 1);
  vterm_output_set_callback(vt_, OutputCallback, this);
  VTermState* state = vterm_obtain_state(vt_);
  vterm_state_set_callbacks(state, &kStateCallbacks, this);
  vterm_state_reset(state, 1);
}

ScreenModel::~ScreenModel() { vterm_free(vt_); }

void ScreenModel::Feed(const char* bytes, std::size_t length) {
  if (held_.empty()) {
    Draw(bytes, length);
    return;
  }
  // In one piece: lines that scroll away unseen are left out across both.
  held_.append(bytes, length);
  CatchUp();
}

void ScreenModel::FeedLater(const char* bytes, std::size_t length) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
  std::size_t odd = length;
  const bool plain = parse_ == Parse::kText && utf8_left_ == 0 && !held_c2_ && !sequence_c2_ &&
                     held_.size() + length <= kHoldLimit && PlainRun(p, length, &odd) == length;
  if (plain)
    held_.append(bytes, length);
  else
    Feed(bytes, length);
}

void ScreenModel::CatchUp() {
  if (held_.empty()) return;
  Draw(held_.data(), held_.size());
  held_.clear();
}

void ScreenModel::Draw(const char* bytes, std::size_t length) {
  if (length == 0) return;
  if (rows_sink_ != nullptr && buffer_ == 0 && length >= kSkipWorthwhile) {
    // A flood that starts above the last row is drawn until it gets there:
    // lines can be left out from there on with their rows kept.
    const std::size_t lead = LinesToTheLastRow(bytes, length);
    if (lead > 0) {
      Draw(bytes, lead);
      bytes += lead;
      length -= lead;
    }
  }
  std::size_t cut = LinesThatScrollAway(bytes, length);
  if (cut > 0) {
    if (rows_sink_ != nullptr && buffer_ == 0) {
      VTermPos cursor;
      vterm_state_get_cursorpos(vterm_obtain_state(vt_), &cursor);
      KeepLeftOut(bytes, cut, cursor.col);
    }
    vterm_input_write(vt_, "\r\n", 2);
    if (drawn_copy_ != nullptr) drawn_copy_->append("\r\n");
    bytes += cut;
    length -= cut;
    bytes_left_out_ += cut;
  }
  shown_.clear();
  Track(bytes, length, &shown_);
  sink_ = replies_;
  if (drawn_copy_ != nullptr) drawn_copy_->append(shown_);
  vterm_input_write(vt_, shown_.data(), shown_.size());
  sink_ = to_programs_;
  if (rows_sink_ != nullptr) {
    unkept_ = 0;
    HandOverKept(1);
  }
}

// The bytes up to the line end (CR LF) that takes the cursor down to the
// last row, in the plain text the chunk starts with; 0 when the cursor is
// there already, or no such line end comes.
std::size_t ScreenModel::LinesToTheLastRow(const char* bytes, std::size_t length) {
  if (parse_ != Parse::kText || utf8_left_ != 0 || sequence_c2_) return 0;
  VTermPos cursor;
  vterm_state_get_cursorpos(vterm_obtain_state(vt_), &cursor);
  int breaks = rows_count_ - 1 - cursor.row;
  for (std::size_t i = 1; i < length && breaks > 0 && Plain(static_cast<unsigned char>(bytes[i]));
       ++i)
    if (bytes[i] == '\n' && bytes[i - 1] == '\r' && --breaks == 0) return i + 1;
  return 0;
}

// The length of a leading run of plain lines (text, CR, LF, tab; ending in
// CR LF) followed, still in plain text, by enough lines to scroll them off
// the whole screen; 0 when there is none. Leaving them out changes nothing
// when the parser is drawing text and the scroll region is the whole
// screen: the cut ends at column 0, as its stand-in CR LF does.
std::size_t ScreenModel::LinesThatScrollAway(const char* bytes,
                                             std::size_t length) {
  if (length < kSkipWorthwhile || parse_ != Parse::kText || utf8_left_ != 0 ||
      sequence_c2_)
    return 0;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
  std::size_t odd = length;
  const std::size_t plain_end = PlainRun(p, length, &odd);
  VTermPos cursor;
  vterm_state_get_cursorpos(vterm_obtain_state(vt_), &cursor);
  const int lines_needed = LinesToScrollAway(cursor.row, rows_count_);
  int lines_after = 0;
  std::size_t cut = 0;
  for (std::size_t i = plain_end; i-- > 1 && cut == 0;) {
    if (p[i] != '\n') continue;
    if (lines_after >= lines_needed && p[i - 1] == '\r') cut = i + 1;
    ++lines_after;
  }
  if (cut == 0 || !ScrollsWholeScreen()) return 0;
  // Rows kept for the scroll-back are made from what is cut, when that is
  // simple enough.
  if (rows_sink_ != nullptr && buffer_ == 0 &&
      (odd < cut || !CanKeepLeftOut(bytes, cursor.row, cursor.col)))
    return 0;
  return cut;
}

// The rows of a cut are made here, without libvterm, in the simple case of
// a flood: printable ASCII in lines that CR LF ends (LinesThatScrollAway
// looks at that), from the cursor on the last row, left of its last column,
// only blanks from it on (so insert mode changes nothing), on a line of
// single width; lines that wrap at the edge, ASCII drawn as itself. At
// column 0 the cut may begin with the LF of a CR that ended the chunk before.
bool ScreenModel::CanKeepLeftOut(const char* bytes, int row, int column) {
  if (row != rows_count_ - 1 || column >= columns_ - 1 || !g0_ascii_ || shifted_ ||
      single_shift_ || vterm_state_get_lineinfo(vterm_obtain_state(vt_), row)->doublewidth)
    return false;
  if (bytes[0] == '\n') {
    if (column != 0) return false;
  } else {
    const Row& last = RowAt(row);
    for (int col = column; col < columns_; ++col) {
      const std::uint32_t* chars = last.cells[col].chars;
      if (chars[0] != 0 && (chars[0] != ' ' || chars[1] != 0)) return false;
    }
  }
  return Answers(ProbeAutowrap, "\x1b[?7;1$y");
}

// The rows a cut pushes off the screen, and the rows above the cursor's:
// the stand-in line break and the lines after the cut push those out of
// libvterm's screen in their place, so as many of its pushes are passed
// over.
void ScreenModel::KeepLeftOut(const char* bytes, std::size_t cut, int column) {
  for (int row = 0; row < rows_count_ - 1; ++row) KeepRow(row);
  int at = column;
  std::size_t row_start = kept_size_;
  if (bytes[0] == '\n') {  // the last row goes as it is
    KeepRow(rows_count_ - 1);
    ++bytes;
    --cut;
    row_start = kept_size_;
  } else {
    const Row& last = RowAt(rows_count_ - 1);
    if (last.stale) Refresh(rows_count_ - 1);
    const std::size_t prefix = column == 0 ? 0 : last.end[column - 1];
    std::memcpy(KeepRoom(prefix), last.text.data(), prefix);
    kept_size_ += prefix;
  }
  for (const char* line = bytes; line < bytes + cut;) {
    const char* end = static_cast<const char*>(std::memchr(line, '\r', bytes + cut - line));
    std::size_t left = static_cast<std::size_t>(end - line);
    char* kept = KeepRoom(left + left / columns_ + 2) - kept_size_;  // the line's rows
    std::size_t size = kept_size_;
    for (;;) {  // a line wider than the row goes on in the next
      const std::size_t taken = std::min(left, static_cast<std::size_t>(columns_ - at));
      std::memcpy(kept + size, line, taken);
      size += taken;
      line += taken;
      left -= taken;
      if (left == 0) break;
      row_start = size = EndKeptRow(kept, row_start, size);
      at = 0;
    }
    row_start = kept_size_ = EndKeptRow(kept, row_start, size);
    at = 0;
    line = end + 2;
    if (kept_size_ >= kHandOverAt) {
      HandOverKept(kHandOverAt);
      row_start = 0;
    }
  }
  unkept_ = rows_count_;
}

// Room for `bytes` more kept bytes, at the end of those kept.
char* ScreenModel::KeepRoom(std::size_t bytes) {
  if (kept_.size() < kept_size_ + bytes) kept_.resize(2 * (kept_size_ + bytes));
  return kept_.data() + kept_size_;
}

// Ends the row that begins at `row_start` and ends at `size` in `kept`,
// without the blanks at its end; returns where the next row begins.
std::size_t ScreenModel::EndKeptRow(char* kept, std::size_t row_start, std::size_t size) {
  while (size > row_start && kept[size - 1] == ' ') --size;
  kept[size] = '\n';
  return size + 1;
}

void ScreenModel::KeepRow(int row) {
  if (unkept_ > 0) {
    --unkept_;
    return;
  }
  const Row& kept = RowAt(row);
  if (kept.stale) Refresh(row);
  const std::size_t length = kept.end[static_cast<std::size_t>(columns_ - 1)];
  std::memcpy(KeepRoom(length + 1), kept.text.data(), length);
  kept_size_ = EndKeptRow(kept_.data(), kept_size_, kept_size_ + length);
  HandOverKept(kHandOverAt);
}

void ScreenModel::HandOverKept(std::size_t at_least) {
  if (kept_size_ == 0 || kept_size_ < at_least) return;
  rows_sink_(kept_.data(), kept_size_, rows_user_);
  kept_size_ = 0;
}

void ScreenModel::KeepScrolledRows(RowsSink sink, void* user) {
  if (sink != nullptr) CatchUp();
  rows_sink_ = sink;
  rows_user_ = user;
  kept_size_ = 0;
  unkept_ = 0;
}

bool ScreenModel::ScrollsWholeScreen() {
  std::string answer;
  sink_ = &answer;
  ProbeRegion(vt_);
  sink_ = to_programs_;
  return answer == whole_screen_;
}

// Keeps the parser's place, drops separators after a CSI sequence's 16th
// parameter (ignored, as terminals do), passes a repeat (CSI b) only right
// after a plain ASCII character, and drops UTF-8 C1 controls (U+0080 to
// U+009F) on the way: libvterm takes them for printable characters of
// negative width and writes out of bounds; a terminal that ignores them
// shows nothing. In text, a C2 lead is held back until the next byte the
// decoder sees, since controls and escape sequences may stand between the
// two. Inside a sequence, a C2 and the byte after it go as a pair or not at
// all, in case libvterm reads that sequence as text.
void ScreenModel::Track(const char* bytes, std::size_t length, std::string* out) {
  for (std::size_t i = 0; i < length; ++i) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    // libvterm may draw a byte above ASCII where this parser sees none (a
    // sequence it leaves early): a repeat after one is never safe.
    if (b >= 0x80) repeat_safe_ = false;
    if (sequence_c2_) {
      sequence_c2_ = false;
      if (b >= 0x80 && b <= 0x9f) continue;
      ReleaseC2(b, out);
      NextParse(0xc2);
    }
    if (parse_ == Parse::kText && b >= 0x20 && b != 0x7f) {
      if (held_c2_) {
        held_c2_ = false;
        utf8_left_ = 0;
        if (b >= 0x80 && b <= 0x9f) continue;
        ReleaseC2(b, out);
      }
      if (b == 0xc2) {
        held_c2_ = true;
        utf8_left_ = 1;
        continue;
      }
      Decode(b);
    } else if (b == 0xc2) {
      sequence_c2_ = true;
      continue;
    } else if (parse_ == Parse::kCsi && (b == ';' || b == ':') &&
               ++csi_separators_ > kMaxCsiSeparators) {
      continue;  // libvterm writes the 17th parameter past its array
    } else if (parse_ == Parse::kCsi && b == 'b' && !repeat_safe_) {
      // libvterm repeats a character of no width for ever; '~' ends the
      // sequence as one libvterm ignores.
      b = '~';
    }
    if (parse_ == Parse::kText) {
      if (b == 0x1b) repeat_safe_ = last_was_ascii_;
      last_was_ascii_ = b >= 0x20 && b < 0x7f;
    }
    out->push_back(static_cast<char>(b));
    NextParse(b);
  }
}

// A C2 lead held back, followed by `next`: a character when `next` goes on
// from it, else what libvterm makes of a broken sequence (U+FFFD), so that
// no lead is left waiting for a byte after a C1 that was dropped.
void ScreenModel::ReleaseC2(unsigned char next, std::string* out) {
  if (next >= 0xa0 && next <= 0xbf) out->push_back('\xc2');
  else out->append("\xef\xbf\xbd");
}

// libvterm's UTF-8 decoder: controls and sequences leave it as it is.
void ScreenModel::Decode(unsigned char b) {
  if (b < 0x80) utf8_left_ = 0;
  else if (b < 0xc0) utf8_left_ = utf8_left_ > 0 ? utf8_left_ - 1 : 0;
  else utf8_left_ = b < 0xe0 ? 1 : b < 0xf0 ? 2 : b < 0xf8 ? 3 : 5;
}

void ScreenModel::NextParse(unsigned char b) {
  if (b == 0x18 || b == 0x1a) {  // CAN and SUB cancel any sequence
    parse_ = Parse::kText;
    return;
  }
  if (b == 0x1b) escape_intermediate_ = 0;
  else if (b == 0x0e) shifted_ = true;  // SO: G1 in use
  else if (b == 0x0f && parse_ != Parse::kString) shifted_ = false;  // SI: G0 again
  switch (parse_) {
    case Parse::kText:
      if (b == 0x1b) parse_ = Parse::kEscape;
      else if (b >= 0x20) single_shift_ = false;
      break;
    case Parse::kEscape:
      if (b >= 0x30 && b <= 0x7e) EscapeEnded(b);
      else if (b >= 0x20 && b <= 0x2f) escape_intermediate_ = escape_intermediate_ ? 0xff : b;
      if (b == '[') {
        parse_ = Parse::kCsi;
        csi_separators_ = 0;
      }
      else if (b == ']' || b == 'P') parse_ = Parse::kString;
      else if (b >= 0x30 && b <= 0x7e) parse_ = Parse::kText;
      break;  // intermediates, controls and ESC keep it open
    case Parse::kCsi:
      if (b == 0x1b) parse_ = Parse::kEscape;
      else if (b >= 0x40 && b <= 0x7e) parse_ = Parse::kText;
      break;
    case Parse::kString:
      if (b == 0x07) parse_ = Parse::kText;
      else if (b == 0x1b) parse_ = Parse::kStringEscape;
      break;
    case Parse::kStringEscape:
      // Any ESC but the string's terminator abandons the string and opens
      // an escape sequence.
      parse_ = Parse::kEscape;
      if (b == '\\') parse_ = Parse::kText;
      else NextParse(b);
      break;
  }
}

// Keeps track of the character sets as far as CanKeepLeftOut needs: any
// doubt makes ASCII not drawn as itself.
void ScreenModel::EscapeEnded(unsigned char final) {
  if (escape_intermediate_ == '(')
    g0_ascii_ = final == 'B';
  else if (escape_intermediate_ == 0 && (final == 'n' || final == 'o'))
    shifted_ = true;  // LS2, LS3: G2 or G3 in use
  else if (escape_intermediate_ == 0 && (final == 'N' || final == 'O'))
    single_shift_ = true;  // SS2, SS3: for the next character
}

// The row's cells as text. A cell's width is told by the cell after it: the
// right half of a wide character adds nothing.
void ScreenModel::Refresh(int row) const {
  Row& kept = RowAt(row);
  kept.stale = false;
  int last = columns_ - 1;  // the empty tail is blanks, found at once
  while (last >= 0 && kept.cells[last].chars[0] == 0) --last;
  std::size_t at = 0;
  char* text = kept.text.data();
  for (int col = 0; col < columns_; ++col) {
    const Glyph& cell = kept.cells[col];
    const std::uint32_t first = cell.chars[0];
    if (col > last)
      text[at++] = ' ';
    else if (first >= 0x20 && first < 0x7f && cell.chars[1] == 0)
      text[at++] = static_cast<char>(first);  // most cells: plain ASCII
    else if (col == 0 || first != kWideRight)
      at += CellText(cell.chars, kCharsPerCell, text + at);
    kept.end[col] = static_cast<std::uint16_t>(at);
  }
}

int ScreenModel::PutGlyph(const std::uint32_t* chars, int width, bool guarded, int row,
                          int col) {
  if (row < 0 || row >= rows_count_ || col < 0 || col >= columns_) return 0;
  Row& kept = RowAt(row);
  Glyph& cell = kept.cells[col];
  int i = 0;
  for (; i < kCharsPerCell && chars[i] != 0; ++i) cell.chars[i] = chars[i];
  if (i < kCharsPerCell) cell.chars[i] = 0;
  for (int right = col + 1; right < col + width && right < columns_; ++right)
    kept.cells[right].chars[0] = kWideRight;
  cell.guarded = guarded;
  kept.stale = true;
  return 1;
}

void ScreenModel::Erase(int start_row, int end_row, int start_col, int end_col,
                        bool selective) {
  start_col = std::max(start_col, 0);
  end_col = std::min(end_col, columns_);
  for (int row = std::max(start_row, 0); row < std::min(end_row, rows_count_); ++row) {
    Row& kept = RowAt(row);
    for (int col = start_col; col < end_col; ++col) {
      Glyph& cell = kept.cells[col];
      if (selective && cell.guarded) continue;
      cell.chars[0] = 0;
      cell.guarded = false;
    }
    kept.stale = true;
  }
}

namespace {

bool Inside(int first, int count, int size) {
  return first >= 0 && count >= 0 && first + count <= size;
}

bool Within(int row, int first, int count) { return row >= first && row < first + count; }

}  // namespace

void ScreenModel::Moved(int dest_row, int dest_col, int src_row, int src_col,
                        int rows, int cols) {
  if (!Inside(dest_row, rows, rows_count_) || !Inside(src_row, rows, rows_count_) ||
      !Inside(dest_col, cols, columns_) || !Inside(src_col, cols, columns_))
    return;  // libvterm never asks for such a move
  if (cols != columns_) {
    // Part of each row (inserted or deleted characters, margins), in the
    // order that never overwrites a row still to be moved.
    const bool down = dest_row > src_row;
    for (int i = 0; i < rows; ++i) {
      const int r = down ? rows - 1 - i : i;
      Row& dest = RowAt(dest_row + r);
      std::memmove(dest.cells.data() + dest_col, RowAt(src_row + r).cells.data() + src_col,
                   static_cast<std::size_t>(cols) * sizeof(Glyph));
      dest.stale = true;
    }
    return;
  }
  // Rows scrolled off the top of the main screen, where libvterm's own
  // screen pushes them to its scrollback.
  if (rows_sink_ != nullptr && dest_row == 0 && buffer_ == 0)
    for (int row = 0; row < src_row; ++row) KeepRow(row);
  // Whole rows, a scroll: they change places. The rows moved over lend
  // their places to the rows the move left behind, which libvterm clears.
  int* order_now = order_[buffer_].data();
  int* order = new_order_.data();
  const std::size_t order_bytes = static_cast<std::size_t>(rows_count_) * sizeof(int);
  std::memcpy(order, order_now, order_bytes);
  int* freed = freed_.data();
  int spare = 0;
  for (int i = 0; i < rows; ++i) {
    order[dest_row + i] = order_now[src_row + i];
    if (!Within(dest_row + i, src_row, rows)) freed[spare++] = order_now[dest_row + i];
  }
  for (int i = 0; i < rows; ++i) {
    if (Within(src_row + i, dest_row, rows)) continue;
    order[src_row + i] = freed[--spare];
    rows_[buffer_][static_cast<std::size_t>(order[src_row + i])].stale = true;
  }
  std::memcpy(order_now, order, order_bytes);
}

std::size_t ScreenModel::ReadRow(int row, int column, char* out,
                                 std::size_t length) {
  if (row < 0 || row >= rows_count_ || column < 0 || column >= columns_) return 0;
  CatchUp();
  const Row& kept = RowAt(row);
  if (kept.stale) Refresh(row);
  const std::size_t begin = column == 0 ? 0 : kept.end[column - 1];
  int last = columns_ - 1;  // the last whole cell that fits
  while (last >= column && kept.end[last] - begin > length) --last;
  const std::size_t count = last >= column ? kept.end[last] - begin : 0;
  std::memcpy(out, kept.text.data() + begin, count);
  return count;
}

void ScreenModel::Output(const char* bytes, std::size_t length) {
  sink_->append(bytes, length);
}

void ScreenModel::TermPropChanged(int prop, int value) {
  switch (prop) {
    case VTERM_PROP_ALTSCREEN:
      alt_screen_ = value != 0;
      // The other screen's rows, as they were left; turned on, libvterm
      // clears them.
      buffer_ = alt_screen_ ? 1 : 0;
      for (Row& row : rows_[buffer_]) row.stale = true;
      break;
    case VTERM_PROP_CURSORVISIBLE: cursor_hidden_ = value == 0; break;
    case VTERM_PROP_MOUSE: mouse_ = value != VTERM_PROP_MOUSE_NONE; break;
  }
}

// The key encoder shows modes that libvterm keeps no property for.
bool ScreenModel::Answers(void (*probe)(VTerm*), const char* expected) {
  std::string answer;
  sink_ = &answer;
  probe(vt_);
  sink_ = to_programs_;
  return answer.rfind(expected, 0) == 0;
}

void ScreenModel::CursorAt(int* row, int* column) {
  VTermPos cursor;
  vterm_state_get_cursorpos(vterm_obtain_state(terminal()), &cursor);
  *row = cursor.row;
  *column = cursor.col;
}

std::string ScreenModel::ModeResetSequence() {
  CatchUp();
  std::string reset = "\x1b[0m";
  if (alt_screen_) reset += "\x1b[?1049l";
  if (cursor_hidden_) reset += "\x1b[?25h";
  if (mouse_) reset += "\x1b[?1000l\x1b[?1002l\x1b[?1003l\x1b[?1006l";
  if (Answers(ProbeUp, "\x1bO")) reset += "\x1b[?1l";
  if (Answers(ProbeKeypad, "\x1bO")) reset += "\x1b>";
  if (Answers(ProbePaste, "\x1b[200~")) {
    reset += "\x1b[?2004l";
    std::string ignored;
    sink_ = &ignored;
    vterm_keyboard_end_paste(vt_);
    sink_ = to_programs_;
  }
  return reset;
}

}  // namespace posix
