// Reading a key string into its forms: what each part of a send argument
// asks for, decided without the platform. SendKeys carries the forms out;
// klavcheck judges them, so both read the string the same way.
#ifndef KLAVRUN_KEYS_KEY_FORMS_H_
#define KLAVRUN_KEYS_KEY_FORMS_H_

#include <cstddef>
#include <cstdint>
#include <string>

enum KeyFormKind : std::uint8_t {
  kfChar,        // a plain character: typed by its key on the layout
  kfShift,       // "+": Shift held for the next key or group
  kfCtrl,        // "^"
  kfAlt,         // "%"
  kfGroupOpen,   // "("
  kfGroupClose,  // ")"
  kfEnter,       // "~"
  kfOpenBrace,   // "{{": the "{" key
  kfCloseBrace,  // "{...}}": the "}" key
  kfBraceChar,   // "{x}", "{x N}": the character x, upper-cased
  kfKeyName,     // "{NAME}", "{NAME N}": a key of the name table
  kfBadKeyName,  // a brace name the table lacks: "Invalid Key Name"
  kfNoClose,     // a "{" no "}" closes: "No Close", the rest is not read
  kfBadCount,    // a repeat count that is no integer: the send ends there
};

struct KeyForm {
  KeyFormKind Kind = kfChar;
  std::size_t Start = 0;   // offset of the form's first byte in the string
  char Char = 0;           // kfChar, kfBraceChar
  std::uint8_t Vk = 0;     // kfKeyName
  std::int32_t Count = 1;  // brace forms: the repeat count as written
  std::string Text;        // kfBadKeyName: the name; kfBadCount: the count
};

/// Reads the form at text[*pos] (of `len` bytes) into `form` and moves *pos
/// past it. False at the end of the string; kfNoClose moves *pos to the end.
bool ReadKeyForm(const char* text, std::size_t len, std::size_t* pos, KeyForm* form);

/// Why a form cannot be typed, in the words klavrun and klavcheck both use:
/// an unknown key name, a "{" never closed, a repeat count that is no
/// number, or (asked of a kfChar) a character with no key on the layout.
/// `end` is the offset after the form in `text`.
std::string KeyFormProblem(const char* text, const KeyForm& form, std::size_t end);

/// The repeat count as a key press takes it: 16 bits, so -1 is 65535.
inline std::uint16_t PressCount(std::int32_t count) {
  return static_cast<std::uint16_t>(count);
}

#endif  // KLAVRUN_KEYS_KEY_FORMS_H_
