// Letter case as the whole system has it: only the ASCII letters A to Z and
// a to z are folded onto each other; every other byte is itself.
#ifndef KLAVRUN_PLATFORM_ASCII_H_
#define KLAVRUN_PLATFORM_ASCII_H_

#include <cstdint>
#include <cstring>
#include <string_view>

namespace ascii {

constexpr char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 0x20) : c; }
constexpr char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c; }

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
