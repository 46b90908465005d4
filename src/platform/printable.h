// Text from files, scripts and programs as klavrun's programs write it to a
// terminal: control bytes and bytes that are no UTF-8 become \xNN, so that
// nothing they hold can move the cursor, retitle a window or switch modes.
#ifndef KLAVRUN_PLATFORM_PRINTABLE_H_
#define KLAVRUN_PLATFORM_PRINTABLE_H_

#include <cstddef>
#include <string>

namespace printable {

/// The length of the UTF-8 character at text[i], or 0 when none starts there.
inline std::size_t Utf8Length(const std::string& text, std::size_t i) {
  const unsigned char c = static_cast<unsigned char>(text[i]);
  const std::size_t n = c < 0x80 ? 1 : (c & 0xe0) == 0xc0 ? 2 : (c & 0xf0) == 0xe0 ? 3
                        : (c & 0xf8) == 0xf0 ? 4 : 0;
  if (n == 0 || i + n > text.size() || (n == 2 && c < 0xc2)) return 0;
  for (std::size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(text[i + k]) & 0xc0) != 0x80) return 0;
  return n;
}

}  // namespace printable

/// `text` with control bytes and bytes that are no UTF-8 as \xNN.
inline std::string Printable(const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = printable::Utf8Length(text, i);
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (n > 0 && c >= 0x20 && c != 0x7f) {
      out.append(text, i, n);
      i += n;
      continue;
    }
    out += "\\x";
    out += kHex[c >> 4];
    out += kHex[c & 15];
    ++i;
  }
  return out;
}

/// `text` in double quotes, as Printable writes it.
inline std::string Quoted(const std::string& text) { return "\"" + Printable(text) + "\""; }

#endif  // KLAVRUN_PLATFORM_PRINTABLE_H_
