#include "recorder/wait_choice.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/ascii.h"
#include "runner/screen.h"

namespace recorder {
namespace {

// A row or a piece of one shorter than this says little about the screen.
constexpr int kDistinctive = 3;

std::string Lower(std::string text) {
  for (char& c : text) c = ascii::Lower(c);
  return text;
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

bool HasDigit(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The names of days and months that dates and clocks show.
constexpr const char* kDateWords[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun",
                                      "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// A word of a date: it changes from day to day like the digits beside it.
bool HasDateWord(const std::string& text) {
  for (const char* word : kDateWords) {
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
      const bool starts = at == 0 || !std::isalpha(static_cast<unsigned char>(text[at - 1]));
      if (starts) return true;
    }
  }
  return false;
}

// Characters that are not blanks: UTF-8 continuation bytes do not count.
int Visible(const std::string& text) {
  return static_cast<int>(std::count_if(text.begin(), text.end(), [](char c) {
    return !IsBlank(c) && (static_cast<unsigned char>(c) & 0xc0) != 0x80;
  }));
}

// As the search reads a row: its leading blanks dropped.
std::string TrimStart(const std::string& text) {
  std::size_t begin = 0;
  while (begin < text.size() && IsBlank(text[begin])) ++begin;
  return text.substr(begin);
}

std::string TrimEnd(std::string text) {
  while (!text.empty() && IsBlank(text.back())) text.pop_back();
  return text;
}

// Rows as the wait commands search a screen.
ScreenImage ImageOf(const std::vector<std::string>& rows) {
  ScreenImage image;
  image.Rows = static_cast<int>(rows.size());
  image.RowBytes = 1;
  for (const std::string& row : rows)
    image.RowBytes = std::max(image.RowBytes, static_cast<int>(row.size()));
  image.Cells.assign(static_cast<std::size_t>(image.Rows) * image.RowBytes, '\0');
  for (int r = 0; r < image.Rows; ++r) std::memcpy(image.Row(r), rows[r].data(), rows[r].size());
  PrepareForSearch(image);
  return image;
}

// The runs between digits, in order, as the search would read them.
std::vector<std::string> PiecesWithoutDigits(const std::string& text) {
  std::vector<std::string> pieces;
  std::string piece;
  for (char c : text + '0') {
    if (c < '0' || c > '9') {
      piece += c;
      continue;
    }
    piece = TrimStart(TrimEnd(piece));
    if (!piece.empty()) pieces.push_back(piece);
    piece.clear();
  }
  return pieces;
}

struct Candidate {
  std::string text;
  int row;
  bool up_to_cursor;  // the cursor's row up to the cursor, else a whole row
};

// The cursor's row up to the cursor, then every row, nearest the cursor's
// first, the row above before the row below.
std::vector<Candidate> Sources(const Shot& shot) {
  std::vector<Candidate> sources;
  const int rows = static_cast<int>(shot.rows.size());
  if (shot.cursor_row >= 0 && shot.cursor_row < rows)
    sources.push_back({TrimStart(shot.rows[shot.cursor_row].substr(0, shot.cursor_byte)),
                       shot.cursor_row, true});
  auto whole_row = [&](int row) {
    if (row >= 0 && row < rows) sources.push_back({TrimStart(TrimEnd(shot.rows[row])), row, false});
  };
  for (int distance = 0; distance < rows; ++distance) {
    whole_row(shot.cursor_row - distance);
    if (distance > 0) whole_row(shot.cursor_row + distance);
  }
  return sources;
}

class Chooser {
 public:
  explicit Chooser(const Sighting& s)
      : sighting_(s), earlier_(ImageOf(s.earlier)), seen_(ImageOf(s.seen.rows)),
        typed_before_(Lower(s.typed_before)), typed_next_(Lower(s.typed_next)) {}

  bool Safe(const std::string& text) const {
    const std::string folded = Lower(text);
    return Visible(text) > 0 && ScreenContains(folded, seen_) &&
           !ScreenContains(folded, earlier_) &&
           typed_before_.find(folded) == std::string::npos &&
           typed_next_.find(folded) == std::string::npos;
  }

  bool Ticking(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < sighting_.ticking.size() &&
           sighting_.ticking[row];
  }

 private:
  const Sighting& sighting_;
  ScreenImage earlier_, seen_;
  std::string typed_before_, typed_next_;
};

}  // namespace

std::string ChooseWaitText(const Sighting& sighting) {
  if (sighting.changing) return "";
  const Chooser chooser(sighting);
  const std::vector<Candidate> sources = Sources(sighting.seen);
  // Texts of one kind after another, each from the best source on.
  std::vector<std::string> texts;
  for (const Candidate& c : sources)
    if (c.up_to_cursor && !HasDigit(c.text)) texts.push_back(c.text);
  for (const Candidate& c : sources)
    if (!HasDigit(c.text) && Visible(c.text) >= kDistinctive) texts.push_back(c.text);
  // A label beside a number: "Time:" of a clock, "pid" of a process id;
  // not the names in a date.
  for (const Candidate& c : sources)
    if (HasDigit(c.text))
      for (const std::string& piece : PiecesWithoutDigits(c.text))
        if (Visible(piece) >= kDistinctive && !HasDateWord(piece)) texts.push_back(piece);
  for (const Candidate& c : sources)
    if (!HasDigit(c.text)) texts.push_back(c.text);
  for (const Candidate& c : sources)
    if (!chooser.Ticking(c.row) && !HasDateWord(c.text)) texts.push_back(c.text);
  for (const std::string& text : texts)
    if (chooser.Safe(text)) return text;
  return "";
}

}  // namespace recorder
