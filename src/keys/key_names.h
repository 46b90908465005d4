// The names a key string may give in braces, such as {ENTER} or {F5}.
#ifndef KLAVRUN_KEYS_KEY_NAMES_H_
#define KLAVRUN_KEYS_KEY_NAMES_H_

#include <cstdint>
#include <string>

struct KeyName {
  const char* Name;
  std::uint8_t Code;  // virtual key
};

/// 41 entries in ascending byte order of their names; the lookup relies on it.
extern const KeyName KeyNameTable[41];

/// What LookupKeyName gives for a name the table lacks.
constexpr std::uint16_t kNoKeyName = 0xffff;

/// The virtual key of an upper-case name (binary search, at most six
/// probes), or kNoKeyName. Shows nothing: the sender shows "Invalid Key Name".
std::uint16_t LookupKeyName(const std::string& name);

/// The key-string message box: no owner, caption "SendKeys", one OK button.
/// Two texts differ by a blank, both as users have long seen them:
/// "Invalid KeyName" for a character with no key, "Invalid Key Name" for a
/// brace name not in the table.
void ShowSendKeysMessage(const char* text);

#endif  // KLAVRUN_KEYS_KEY_NAMES_H_
