// The console's screen model: a libvterm terminal fed with everything the
// started programs write, its cells kept here from libvterm's state layer
// and read back as UTF-8 rows, and the encoder of the keys typed into it.
#ifndef KLAVRUN_PLATFORM_POSIX_CONSOLE_SCREEN_MODEL_H_
#define KLAVRUN_PLATFORM_POSIX_CONSOLE_SCREEN_MODEL_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

struct VTerm;

namespace posix {

/// The console's size unless --size says otherwise.
constexpr int kConsoleRows = platform::kClassicRows;
constexpr int kConsoleColumns = platform::kClassicColumns;

/// The most bytes one cell takes: libvterm keeps up to six code points a
/// cell (a character and its combining marks), four UTF-8 bytes each.
constexpr int kMaxCellBytes = 24;
/// The most bytes one row of the usual console takes, as ReadRow gives it.
constexpr int kRowBytes = kConsoleColumns * kMaxCellBytes;

/// A cell's characters (`chars`, up to `count` code points, 0 ending them)
/// as UTF-8 into `out` (kMaxCellBytes): an empty or unprintable cell is a
/// blank. Returns the bytes written.
std::size_t CellText(const std::uint32_t* chars, std::size_t count, char* out);

class ScreenModel {
 public:
  /// Whatever the terminal answers (key encodings, replies to queries) is
  /// appended to *to_programs; replies to queries in what is fed go to
  /// *replies instead when it is given.
  explicit ScreenModel(std::string* to_programs, std::string* replies = nullptr,
                       int rows = kConsoleRows, int columns = kConsoleColumns);
  ~ScreenModel();
  ScreenModel(const ScreenModel&) = delete;
  ScreenModel& operator=(const ScreenModel&) = delete;

  /// Takes in bytes the programs wrote. A long run of plain lines that
  /// would scroll off the screen before the end of the chunk is not drawn:
  /// the screen comes out the same, only faster. UTF-8 C1 controls
  /// (U+0080 to U+009F) show nothing.
  void Feed(const char* bytes, std::size_t length);

  /// As Feed, but plain text (printable ASCII, CR, LF, tab) met while the
  /// parser is drawing text may be held back, to be drawn in one piece with
  /// what comes later. Anything else, a query above all, is drawn at once,
  /// after what was held: the terminal's answers never wait.
  void FeedLater(const char* bytes, std::size_t length);

  /// Draws what FeedLater held back. Reading the screen, encoding a key
  /// and Feed do it first.
  void CatchUp();

  /// Copies the cells of `row` from `column` on into out as UTF-8, as many
  /// whole cells as `length` bytes hold; returns the bytes written. The
  /// right half of a wide character gives nothing. Nothing outside the
  /// screen.
  std::size_t ReadRow(int row, int column, char* out, std::size_t length);

  /// The cursor's row and column, with everything held back drawn.
  void CursorAt(int* row, int* column);
  int rows() const { return rows_count_; }
  int columns() const { return columns_; }

  /// Where the rows that scroll off the top of the main screen go: each
  /// row's text as ReadRow gives it, less the blanks at its end, ended by
  /// '\n', several at a time, by
  /// the end of the Feed that pushed them out, as libvterm's own screen
  /// would push them to its scrollback. Lines a long chunk leaves out go
  /// too, as if they had been drawn. Null: nowhere, at no cost. A sink set
  /// has the text held back drawn first, for the sink set before.
  using RowsSink = void (*)(const char* rows, std::size_t length, void* user);
  void KeepScrolledRows(RowsSink sink, void* user);

  /// Escape sequences that take a terminal that has seen the same output
  /// back to its usual modes (main screen, visible cursor, normal keys...).
  std::string ModeResetSequence();

  /// The terminal, with everything held back drawn: its modes decide how
  /// keys are encoded.
  VTerm* terminal() {
    CatchUp();
    return vt_;
  }

  /// How many bytes Feed has left out so far.
  std::size_t bytes_left_out() const { return bytes_left_out_; }

  /// Queues bytes for the programs, after what the terminal answered.
  void Send(const std::string& bytes) { sink_->append(bytes); }
  void Send(const char* bytes, std::size_t length) {
    // One byte, the usual key, goes on without a call into the library.
    if (length == 1)
      sink_->push_back(*bytes);
    else
      sink_->append(bytes, length);
  }

  /// For tests: every byte drawn is appended to *copy as well.
  void CopyDrawnTo(std::string* copy) { drawn_copy_ = copy; }

  /// Code points a cell keeps, as libvterm's own screen does.
  static constexpr int kCharsPerCell = 6;

  // For the libvterm callbacks.
  void Output(const char* bytes, std::size_t length);
  void TermPropChanged(int prop, int value);
  int PutGlyph(const std::uint32_t* chars, int width, bool guarded, int row, int col);
  void Erase(int start_row, int end_row, int start_col, int end_col, bool selective);
  void Moved(int dest_row, int dest_col, int src_row, int src_col, int rows,
             int cols);

 private:
  bool Answers(void (*probe)(VTerm*), const char* expected);
  std::size_t LinesToTheLastRow(const char* bytes, std::size_t length);
  std::size_t LinesThatScrollAway(const char* bytes, std::size_t length);
  bool ScrollsWholeScreen();
  bool CanKeepLeftOut(const char* bytes, int row, int column);
  void KeepLeftOut(const char* bytes, std::size_t cut, int column);
  void KeepRow(int row);
  char* KeepRoom(std::size_t bytes);
  static std::size_t EndKeptRow(char* kept, std::size_t row_start, std::size_t size);
  void KeepBlanks(int count);
  void HandOverKept(std::size_t at_least);
  void EscapeEnded(unsigned char final);
  void Track(const char* bytes, std::size_t length, std::string* out);
  void ReleaseC2(unsigned char next, std::string* out);
  void Decode(unsigned char b);
  void NextParse(unsigned char b);
  void Draw(const char* bytes, std::size_t length);

  // Where the parser stands after what was fed: drawing text, or inside an
  // escape sequence, a control string or a UTF-8 character.
  enum class Parse { kText, kEscape, kCsi, kString, kStringEscape };
  Parse parse_ = Parse::kText;
  int utf8_left_ = 0;  // continuation bytes libvterm's decoder waits for
  bool held_c2_ = false;  // a C2 lead in text, not yet given to libvterm
  bool sequence_c2_ = false;  // a C2 inside a sequence, not yet given
  int csi_separators_ = 0;  // in the CSI sequence being read
  bool last_was_ascii_ = false;  // the last byte drawn as text
  bool repeat_safe_ = false;  // the sequence being read follows such a byte
  // Whether ASCII text is drawn as itself, as far as the scroll-back needs
  // to know: G0 is ASCII, in use, and no single shift waits.
  unsigned char escape_intermediate_ = 0;  // of the escape sequence being read
  bool g0_ascii_ = true;
  bool shifted_ = false;
  bool single_shift_ = false;
  std::string shown_;  // what Feed gives libvterm
  std::string held_;   // plain text FeedLater has not drawn yet
  std::size_t bytes_left_out_ = 0;

  // The screen's cells, as libvterm's state layer draws them, and each
  // row's text, made again only after the row changed, so that a read is one
  // copy. A scroll reorders rows instead of moving them.
  static constexpr std::uint32_t kWideRight = 0xffffffff;
  struct Glyph {
    std::uint32_t chars[kCharsPerCell];  // 0 ends them; kWideRight: a wide one's right half
    bool guarded;  // kept by a selective erase
  };
  struct Row {
    std::vector<Glyph> cells;
    std::vector<char> text;
    std::vector<std::uint16_t> end;  // where each cell's text ends in text
    bool stale = true;  // changed since its text was made
  };
  void Refresh(int row) const;
  Row& RowAt(int row) const { return rows_[buffer_][order_[buffer_][row]]; }
  const int rows_count_;
  const int columns_;
  const std::string whole_screen_;  // the margins' answer when they are the whole screen
  mutable std::vector<Row> rows_[2];  // the main screen and the alternate one
  std::vector<int> order_[2];  // each screen's rows in rows_, top to bottom
  std::vector<int> new_order_, freed_;  // a scroll's work space
  int buffer_ = 0;  // the screen that shows
  std::string* drawn_copy_ = nullptr;

  RowsSink rows_sink_ = nullptr;
  void* rows_user_ = nullptr;
  std::vector<char> kept_;  // scrolled rows not handed over yet, kept_size_ bytes
  std::size_t kept_size_ = 0;
  int unkept_ = 0;    // pushes still to pass over: rows already kept with a cut

  VTerm* vt_;
  std::string* to_programs_;
  std::string* replies_;
  std::string* sink_;  // where Output goes: one of the two, or a probe's buffer
  bool alt_screen_ = false;
  bool cursor_hidden_ = false;
  bool mouse_ = false;
};

}  // namespace posix

#endif  // KLAVRUN_PLATFORM_POSIX_CONSOLE_SCREEN_MODEL_H_
