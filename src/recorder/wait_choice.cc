#include "recorder/wait_choice.h"

#include <algorithm>
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

// The longest run between digits, as the search would read it.
std::string LongestPieceWithoutDigits(const std::string& text) {
  std::string best, piece;
  for (char c : text + '0') {
    if (c < '0' || c > '9') {
      piece += c;
      continue;
    }
    piece = TrimStart(TrimEnd(piece));
    if (Visible(piece) > Visible(best)) best = piece;
    piece.clear();
  }
  return best;
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
  // Each pass takes candidates of one kind, from the best source on.
  const auto passes = {
      +[](const Candidate& c, bool) { return c.up_to_cursor && !HasDigit(c.text) ? c.text : ""; },
      +[](const Candidate& c, bool) {
        return !HasDigit(c.text) && Visible(c.text) >= kDistinctive ? c.text : "";
      },
      +[](const Candidate& c, bool) {
        const std::string piece = LongestPieceWithoutDigits(c.text);
        return HasDigit(c.text) && Visible(piece) >= kDistinctive ? piece : std::string();
      },
      +[](const Candidate& c, bool) { return !HasDigit(c.text) ? c.text : ""; },
      +[](const Candidate& c, bool ticking) { return ticking ? std::string() : c.text; },
  };
  for (const auto& pass : passes)
    for (const Candidate& source : sources) {
      const std::string text = pass(source, chooser.Ticking(source.row));
      if (!text.empty() && chooser.Safe(text)) return text;
    }
  return "";
}

}  // namespace recorder
