// Reading UTF-8 one character at a time, for the writers that must replace
// what is not UTF-8 (a JSON string, an XML text).
#ifndef KLAVRUN_WRITERS_UTF8_H_
#define KLAVRUN_WRITERS_UTF8_H_

#include <cstddef>
#include <cstdint>

namespace writers {

enum class Utf8 { kValid, kInvalid, kCut };

struct Utf8Sequence {
  std::size_t length;  // of the character, or of the invalid start
  Utf8 kind;           // kCut: a valid start that the bytes end in
  std::uint32_t code_point;
};

/// Reads one UTF-8 sequence at p (n > 0 bytes there). Only shortest forms
/// and no surrogates are valid; an invalid sequence is as long as its
/// longest valid start, at least one byte.
Utf8Sequence ReadUtf8(const unsigned char* p, std::size_t n);

/// U+FFFD, the replacement character, in UTF-8.
constexpr const char kReplacement[] = "\xEF\xBF\xBD";

}  // namespace writers

#endif  // KLAVRUN_WRITERS_UTF8_H_
