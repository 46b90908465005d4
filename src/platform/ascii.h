// Letter case as the whole system has it: only the ASCII letters A to Z and
// a to z are folded onto each other; every other byte is itself.
#ifndef KLAVRUN_PLATFORM_ASCII_H_
#define KLAVRUN_PLATFORM_ASCII_H_

#include <string_view>

namespace ascii {

constexpr char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 0x20) : c; }
constexpr char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c; }

/// Equal length and equal bytes, but for the case of ASCII letters.
constexpr bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

}  // namespace ascii

#endif  // KLAVRUN_PLATFORM_ASCII_H_
