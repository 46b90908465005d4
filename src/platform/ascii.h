// ASCII as the whole system has it. Letter case: only the ASCII letters A to
// Z and a to z are folded onto each other; every other byte is itself. And
// long texts scanned eight bytes at a time.
#ifndef KLAVRUN_PLATFORM_ASCII_H_
#define KLAVRUN_PLATFORM_ASCII_H_

#include <cstdint>
#include <cstring>
#include <string_view>

namespace ascii {

constexpr char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 0x20) : c; }
constexpr char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c; }

constexpr std::uint64_t kEachByte = 0x0101010101010101ULL;
constexpr std::uint64_t kTopBits = 0x8080808080808080ULL;

/// Nonzero when one of the eight bytes of `word` is below 0x20, a control
/// byte; bytes from 0x80 on are not.
constexpr std::uint64_t ControlBytes(std::uint64_t word) {
  return (word - 0x20 * kEachByte) & ~word & kTopBits;
}

/// Long texts (a send may be a megabyte) are scanned eight bytes at a time
/// while `skip(word)` says none of them needs a look, and otherwise byte by
/// byte: `look(i)` looks at p[i], may move i on within what it has read, and
/// returns false to end the scan there. Returns where the scan ended.
template <typename Skip, typename Look>
std::size_t Scan(const unsigned char* p, std::size_t length, Skip skip, Look look) {
  std::size_t i = 0;
  while (i < length) {
    if (i + 8 <= length) {
      std::uint64_t word;
      std::memcpy(&word, p + i, 8);
      if (skip(word)) {
        i += 8;
        continue;
      }
    }
    for (const std::size_t stop = i + 8 < length ? i + 8 : length; i < stop; ++i)
      if (!look(i)) return i;
  }
  return length;
}

/// Lower(c) of each of the `length` bytes at `in`, into `out`: eight bytes at
/// a time, for the long runs of rows that scroll off a flooded screen.
inline void LowerInto(const char* in, std::size_t length, char* out) {
  std::size_t i = 0;
  for (; i + 8 <= length; i += 8) {
    std::uint64_t bytes;
    std::memcpy(&bytes, in + i, 8);
    const std::uint64_t low7 = bytes & 0x7f7f7f7f7f7f7f7fULL;
    // The top bit of each byte: set from 'A' on, and from past 'Z' on.
    const std::uint64_t from_a = low7 + 0x3f3f3f3f3f3f3f3fULL;
    const std::uint64_t past_z = low7 + 0x2525252525252525ULL;
    const std::uint64_t upper = (from_a ^ past_z) & ~bytes & 0x8080808080808080ULL;
    bytes |= upper >> 2;  // 0x80 >> 2 is the case bit 0x20
    std::memcpy(out + i, &bytes, 8);
  }
  for (; i < length; ++i) out[i] = Lower(in[i]);
}

/// Equal length and equal bytes, but for the case of ASCII letters.
constexpr bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

}  // namespace ascii

#endif  // KLAVRUN_PLATFORM_ASCII_H_
