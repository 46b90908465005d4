#include "text/integer.h"

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseHex(const std::string& text, std::size_t i, std::int32_t* value) {
  if (i >= text.size()) return false;
  std::uint32_t v = 0;
  int significant = 0;
  for (; i < text.size(); ++i) {
    int d = HexDigit(text[i]);
    if (d < 0) return false;
    if (significant > 0 || d != 0) ++significant;
    if (significant > 8) return false;
    v = (v << 4) | static_cast<std::uint32_t>(d);
  }
  *value = static_cast<std::int32_t>(v);
  return true;
}

bool ParseDecimal(const std::string& text, std::size_t i, bool negative,
                  std::int32_t* value) {
  if (i >= text.size()) return false;
  const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
  std::uint64_t v = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<std::uint64_t>(c - '0');
    if (v > limit) return false;
  }
  *value = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(v))
                    : static_cast<std::int32_t>(v);
  return true;
}

}  // namespace

bool ParseInteger(const std::string& text, std::int32_t* value) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i < text.size() && (text[i] == '-' || text[i] == '+'))
    return ParseDecimal(text, i + 1, text[i] == '-', value);
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X'))
    return ParseHex(text, i + 1, value);
  if (i + 1 < text.size() && text[i] == '0' &&
      (text[i + 1] == 'x' || text[i + 1] == 'X'))
    return ParseHex(text, i + 2, value);
  return ParseDecimal(text, i, false, value);
}
