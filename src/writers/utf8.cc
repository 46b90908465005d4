#include "writers/utf8.h"

namespace writers {

Utf8Sequence ReadUtf8(const unsigned char* p, std::size_t n) {
  unsigned char lead = p[0];
  std::size_t need = 0;
  std::uint32_t code_point = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead < 0x80) return {1, Utf8::kValid, lead};
  if (lead >= 0xC2 && lead <= 0xDF) {
    need = 2;
    code_point = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    need = 3;
    code_point = lead & 0x0Fu;
    if (lead == 0xE0) low = 0xA0;   // shorter forms
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    need = 4;
    code_point = lead & 0x07u;
    if (lead == 0xF0) low = 0x90;   // shorter forms
    if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
  } else {
    return {1, Utf8::kInvalid, 0};
  }
  for (std::size_t i = 1; i < need; ++i) {
    if (i == n) return {i, Utf8::kCut, 0};
    if (p[i] < low || p[i] > high) return {i, Utf8::kInvalid, 0};
    code_point = (code_point << 6) | (p[i] & 0x3Fu);
    low = 0x80;
    high = 0xBF;
  }
  return {need, Utf8::kValid, code_point};
}

}  // namespace writers
