// The recording's writer fed arbitrary events: its text must be one JSON
// value a line (a header, then arrays), valid UTF-8 with no raw control
// character, its times must never go back, and the "o" and "i" streams
// must read back as the bytes written, each invalid UTF-8 sequence as one
// U+FFFD. The checks read the text with a JSON reader of their own.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "writers/asciicast.h"

namespace {

[[noreturn]] void Fail() { std::abort(); }

void AppendUtf8(std::uint32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xc0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3f)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xe0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3f)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3f)));
  } else {
    out->push_back(static_cast<char>(0xf0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3f)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3f)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3f)));
  }
}

// Bytes as a UTF-8 decoder that replaces errors reads them: a byte-at-a-time
// state machine with the bounds of each lead byte's second byte.
std::string Decoded(const std::string& bytes) {
  std::string out;
  std::uint32_t code_point = 0;
  int needed = 0;
  unsigned lower = 0x80, upper = 0xbf;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const unsigned b = static_cast<unsigned char>(bytes[i]);
    if (needed == 0) {
      if (b < 0x80) out.push_back(static_cast<char>(b));
      else if (b >= 0xc2 && b <= 0xdf) needed = 1, code_point = b & 0x1f;
      else if (b >= 0xe0 && b <= 0xef) needed = 2, code_point = b & 0x0f;
      else if (b >= 0xf0 && b <= 0xf4) needed = 3, code_point = b & 0x07;
      else AppendUtf8(0xfffd, &out);
      lower = b == 0xe0 ? 0xa0 : b == 0xf0 ? 0x90 : 0x80;
      upper = b == 0xed ? 0x9f : b == 0xf4 ? 0x8f : 0xbf;
      continue;
    }
    if (b < lower || b > upper) {
      AppendUtf8(0xfffd, &out);
      needed = 0;
      --i;  // the byte starts afresh
      continue;
    }
    lower = 0x80, upper = 0xbf;
    code_point = (code_point << 6) | (b & 0x3f);
    if (--needed == 0) AppendUtf8(code_point, &out);
  }
  if (needed != 0) AppendUtf8(0xfffd, &out);
  return out;
}

// A strict JSON reader: enough to take each line apart and to refuse
// anything that is not JSON.
struct Json {
  const std::string& text;
  std::size_t at = 0;

  char Peek() const { return at < text.size() ? text[at] : '\0'; }
  void Expect(char c) {
    if (Peek() != c) Fail();
    ++at;
  }
  void Blanks() {
    while (Peek() == ' ') ++at;
  }
  unsigned Hex4() {
    unsigned value = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = Peek();
      const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
      if (digit < 0) Fail();
      value = value * 16 + static_cast<unsigned>(digit);
      ++at;
    }
    return value;
  }
  std::string String() {
    Expect('"');
    std::string value;
    for (;;) {
      const unsigned char c = static_cast<unsigned char>(Peek());
      if (c < 0x20) Fail();  // raw control characters, and the end
      ++at;
      if (c == '"') return value;
      if (c != '\\') {
        value.push_back(static_cast<char>(c));
        continue;
      }
      const char e = Peek();
      ++at;
      static const char kEscapes[] = "n\nr\rt\tb\bf\f\"\"\\\\//";
      const char* simple = nullptr;
      for (const char* k = kEscapes; *k != '\0' && simple == nullptr; k += 2)
        if (*k == e) simple = k + 1;
      if (simple) {
        value += *simple;
        continue;
      }
      if (e != 'u') Fail();
      std::uint32_t unit = Hex4();
      if (unit >= 0xdc00 && unit <= 0xdfff) Fail();
      if (unit >= 0xd800 && unit <= 0xdbff) {
        Expect('\\');
        Expect('u');
        const std::uint32_t low = Hex4();
        if (low < 0xdc00 || low > 0xdfff) Fail();
        unit = 0x10000 + ((unit - 0xd800) << 10) + (low - 0xdc00);
      }
      AppendUtf8(unit, &value);
    }
  }
  // A number as its text.
  std::string Number() {
    const std::size_t start = at;
    if (Peek() == '-') ++at;
    if (Peek() == '0') ++at;
    else if (Peek() >= '1' && Peek() <= '9') while (Peek() >= '0' && Peek() <= '9') ++at;
    else Fail();
    if (Peek() == '.') {
      ++at;
      if (Peek() < '0' || Peek() > '9') Fail();
      while (Peek() >= '0' && Peek() <= '9') ++at;
    }
    return text.substr(start, at - start);
  }
  // Any value; the strings and numbers in it are kept in *items, in order.
  void Value(std::vector<std::string>* items = nullptr) {
    Blanks();
    const char c = Peek();
    if (c == '"') {
      std::string s = String();
      if (items) items->push_back(s);
    } else if (c == '{' || c == '[') {
      ++at;
      Blanks();
      const char close = c == '{' ? '}' : ']';
      while (Peek() != close) {
        if (c == '{') {
          String();
          Blanks();
          Expect(':');
        }
        Value(items);
        Blanks();
        if (Peek() != close) Expect(',');
        Blanks();
      }
      ++at;
    } else {
      std::string number = Number();
      if (items) items->push_back(number);
    }
    Blanks();
  }
};

// The text's raw bytes: valid UTF-8 without C0, DEL, C1, U+2028 or U+2029,
// apart from the line ends.
void CheckRaw(const std::string& text) {
  const std::string decoded = Decoded(text);
  if (decoded != text) Fail();  // not valid UTF-8
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    const unsigned char third = i + 2 < text.size() ? static_cast<unsigned char>(text[i + 2]) : 0;
    if ((c < 0x20 && c != '\n') || c == 0x7f || (c == 0xc2 && next < 0xa0) ||
        (c == 0xe2 && next == 0x80 && (third == 0xa8 || third == 0xa9)))
      Fail();
  }
}

// Microseconds of an event's time, written with six decimals.
std::uint64_t Micros(const std::string& number) {
  const std::size_t dot = number.find('.');
  if (dot == std::string::npos || number.size() - dot != 7 || number[0] == '-') Fail();
  return std::strtoull(number.substr(0, dot).c_str(), nullptr, 10) * 1000000 +
         std::strtoull(number.substr(dot + 1).c_str(), nullptr, 10);
}

}  // namespace

// Input: a byte of title length and the title, then events: a byte saying
// which (0 output, 1 input, 2 a marker, 3 output again) and how the clock
// moves (the high bit: back), a byte of length, the bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::size_t at = 1;
  const std::size_t title_length = std::min<std::size_t>(data[0] & 0x3f, size - at);
  const std::string title(reinterpret_cast<const char*>(data + at), title_length);
  at += title_length;
  writers::Asciicast cast(1700000000, 80, 25, title);
  std::string written[2];  // output, input
  std::vector<std::string> markers;
  std::uint64_t clock = 5000000;
  while (at + 2 <= size) {
    const std::uint8_t op = data[at];
    const std::size_t length = std::min<std::size_t>(data[at + 1], size - at - 2);
    const std::string bytes(reinterpret_cast<const char*>(data + at + 2), length);
    at += 2 + length;
    const std::uint64_t step = (op >> 2 & 0x1f) * 997u;
    clock = op & 0x80 ? clock - std::min(clock, step) : clock + step;
    if ((op & 3) == 2) {
      cast.Marker(clock, bytes);
      markers.push_back(bytes);
    } else {
      const char kind = (op & 3) == 1 ? 'i' : 'o';
      cast.Stream(kind, clock, bytes.data(), bytes.size());
      written[kind == 'i'] += bytes;
    }
  }
  cast.Finish(clock);

  const std::string& text = cast.Text();
  CheckRaw(text);
  if (text.empty() || text.back() != '\n') Fail();
  std::string read[2];
  std::size_t marker = 0;
  std::uint64_t last = 0;
  for (std::size_t start = 0, line = 0; start < text.size(); ++line) {
    const std::size_t end = text.find('\n', start);
    const std::string one = text.substr(start, end - start);
    start = end + 1;
    Json json{one};
    std::vector<std::string> items;
    json.Value(&items);
    if (json.at != one.size()) Fail();
    if (line == 0) {  // version, width, height, timestamp, title, TERM
      if (one[0] != '{' || items.size() != 6 || items[4] != Decoded(title)) Fail();
      continue;
    }
    if (one[0] != '[' || items.size() != 3 || items[1].size() != 1) Fail();
    const std::uint64_t micros = Micros(items[0]);
    if (micros < last) Fail();  // time went back
    last = micros;
    const char kind = items[1][0];
    if (kind == 'm') {
      if (marker >= markers.size() || items[2] != Decoded(markers[marker++])) Fail();
    } else if (kind == 'o' || kind == 'i') {
      read[kind == 'i'] += items[2];
    } else {
      Fail();
    }
  }
  if (marker != markers.size()) Fail();
  for (int k = 0; k < 2; ++k)
    if (read[k] != Decoded(written[k])) Fail();
  return 0;
}
