#include "writers/asciicast.h"

#include <cstdio>

#include "writers/utf8.h"

namespace writers {
namespace {

bool Plain(unsigned char byte) {
  return byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\';
}

bool Escaped(std::uint32_t code_point) {
  return code_point < 0x20 || code_point == '"' || code_point == '\\' ||
         (code_point >= 0x7F && code_point <= 0x9F) || code_point == 0x2028 ||
         code_point == 0x2029;
}

void AppendEscape(std::uint32_t code_point, std::string* out) {
  switch (code_point) {
    case '"': *out += "\\\""; return;
    case '\\': *out += "\\\\"; return;
    case '\b': *out += "\\b"; return;
    case '\f': *out += "\\f"; return;
    case '\n': *out += "\\n"; return;
    case '\r': *out += "\\r"; return;
    case '\t': *out += "\\t"; return;
    default: break;
  }
  char escape[8];
  std::snprintf(escape, sizeof escape, "\\u%04x",
                static_cast<unsigned>(code_point));
  *out += escape;
}

}  // namespace

void AppendJsonString(const char* data, std::size_t length, std::string* out) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
  out->push_back('"');
  std::size_t i = 0;
  while (i < length) {
    // Most output is plain text: copy it in runs.
    std::size_t run = i;
    while (run < length && Plain(bytes[run])) ++run;
    out->append(data + i, run - i);
    i = run;
    if (i == length) break;
    writers::Utf8Sequence sequence = ReadUtf8(bytes + i, length - i);
    if (sequence.kind != Utf8::kValid)
      *out += writers::kReplacement;
    else if (Escaped(sequence.code_point))
      AppendEscape(sequence.code_point, out);
    else
      out->append(data + i, sequence.length);
    i += sequence.length;
  }
  out->push_back('"');
}

std::size_t WithoutCutCharacter(const char* data, std::size_t length) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
  // A character is at most four bytes: its start is among the last three.
  for (std::size_t back = 1; back <= 3 && back <= length; ++back) {
    std::size_t start = length - back;
    if ((bytes[start] & 0xC0) == 0x80) continue;  // a continuation byte
    if (ReadUtf8(bytes + start, back).kind == Utf8::kCut) return start;
    break;
  }
  return length;
}

Asciicast::Asciicast(std::int64_t unix_seconds, int width, int height,
                     const std::string& title) {
  text_ = "{\"version\": 2, \"width\": " + std::to_string(width) +
          ", \"height\": " + std::to_string(height) +
          ", \"timestamp\": " + std::to_string(unix_seconds) + ", \"title\": ";
  AppendJsonString(title.data(), title.size(), &text_);
  text_ += ", \"env\": {\"TERM\": \"xterm-256color\"}}\n";
}

void Asciicast::Stream(char kind, std::uint64_t micros, const char* data,
                       std::size_t length) {
  std::string& held = kind == 'i' ? held_input_ : held_output_;
  std::string joined;
  if (!held.empty()) {
    joined.assign(held).append(data, length);
    data = joined.data();
    length = joined.size();
  }
  std::size_t whole = WithoutCutCharacter(data, length);
  held.assign(data + whole, length - whole);
  if (whole > 0) Event(kind, micros, data, whole);
}

void Asciicast::Marker(std::uint64_t micros, const std::string& label) {
  Event('m', micros, label.data(), label.size());
}

void Asciicast::Finish(std::uint64_t micros) {
  for (std::string* held : {&held_output_, &held_input_}) {
    if (held->empty()) continue;
    Event(held == &held_input_ ? 'i' : 'o', micros, held->data(), held->size());
    held->clear();
  }
}

void Asciicast::Event(char kind, std::uint64_t micros, const char* data,
                      std::size_t length) {
  if (micros < last_micros_) micros = last_micros_;
  last_micros_ = micros;
  char start[48];
  std::snprintf(start, sizeof start, "[%llu.%06llu, \"%c\", ",
                static_cast<unsigned long long>(micros / 1000000),
                static_cast<unsigned long long>(micros % 1000000), kind);
  text_ += start;
  AppendJsonString(data, length, &text_);
  text_ += "]\n";
}

}  // namespace writers
