// Texts from outside (file names, script lines, what programs wrote) on their
// way to a terminal: a control byte in them would be taken as a command by
// the terminal (a new title, a cleared screen, a faked line), so each one
// is written as \xNN instead. Shared by every program that writes them.
#ifndef KLAVRUN_PLATFORM_PRINTABLE_H_
#define KLAVRUN_PLATFORM_PRINTABLE_H_

#include <cstddef>
#include <string>
#include <string_view>

/// The length of the UTF-8 character at text[i] when it is one a terminal
/// shows (no C0 or C1 control, no DEL, a valid sequence); 0 otherwise.
inline std::size_t PrintableLength(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
  const unsigned char c = byte(0);
  if (c < 0x80) return c >= 0x20 && c != 0x7f ? 1 : 0;
  const std::size_t n = c >= 0xc2 && c <= 0xdf ? 2 : c >= 0xe0 && c <= 0xef ? 3
                        : c >= 0xf0 && c <= 0xf4 ? 4 : 0;
  if (n == 0 || i + n > text.size()) return 0;
  // The second byte's range rules out overlong forms, surrogates and code
  // points past U+10FFFF; C2 80 to C2 9F are the C1 controls.
  const unsigned char low = c == 0xe0 ? 0xa0 : c == 0xf0 ? 0x90 : c == 0xc2 ? 0xa0 : 0x80;
  const unsigned char high = c == 0xed ? 0x9f : c == 0xf4 ? 0x8f : 0xbf;
  if (byte(1) < low || byte(1) > high) return 0;
  for (std::size_t k = 2; k < n; ++k)
    if ((byte(k) & 0xc0) != 0x80) return 0;
  return n;
}

/// `text` with each byte a terminal would not show as a character (control
/// bytes, bytes of no valid UTF-8 character) written as \xNN.
inline std::string Printable(std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (const std::size_t n = PrintableLength(text, i)) {
      out.append(text, i, n);
      i += n;
      continue;
    }
    const unsigned char c = static_cast<unsigned char>(text[i++]);
    out += "\\x";
    out += kHex[c >> 4];
    out += kHex[c & 0xf];
  }
  return out;
}

/// `text` in double quotes, as Printable writes it.
inline std::string Quoted(std::string_view text) { return "\"" + Printable(text) + "\""; }

#endif  // KLAVRUN_PLATFORM_PRINTABLE_H_
