// Integer text as scripts write it: decimal with an optional sign, or
// hexadecimal after "$", "x", "X", "0x" or "0X".
#ifndef KLAVRUN_TEXT_INTEGER_H_
#define KLAVRUN_TEXT_INTEGER_H_

#include <cstdint>
#include <string>

/// Reads a 32-bit signed integer from the whole of `text` (leading blanks
/// allowed, nothing after the digits). Hexadecimal is a 32-bit pattern, so
/// $ffffffff is -1. Returns false for anything else.
bool ParseInteger(const std::string& text, std::int32_t* value);

#endif  // KLAVRUN_TEXT_INTEGER_H_
