// What the person types, read back as a key string. The terminal's bytes
// for each key a send can type are found by typing that key on a screen
// model, in each mode of the cursor keys, so every key name, the layout and
// the encoding are the core's own: a key the core learns is read here too.
#ifndef KLAVRUN_RECORDER_KEY_DECODER_H_
#define KLAVRUN_RECORDER_KEY_DECODER_H_

#include <cstddef>
#include <string>
#include <unordered_map>

#include "platform/posix/console/keyboard.h"

namespace recorder {

/// One key as a send types it.
struct Key {
  std::string spelling;  // in the key-string language: "+a", "{(}", "^c", "{f5}"
  posix::KeyPress press;
  char text = 0;  // the character it shows as an echo; 0 for none
};

enum class Typed {
  kKey,      // a key
  kSkipped,  // bytes no key sends: a terminal's answer to a query, a paste's marks
  kNoKey,    // bytes no key string can type
};

struct Reading {
  Typed kind;
  std::size_t length;  // of the key, the skipped bytes, or the bytes no key types
  const Key* key;      // kKey only
};

class KeyDecoder {
 public:
  KeyDecoder();

  /// Reads what the person's terminal sent at bytes[pos]: an escape
  /// sequence is read whole, anything else as the longest key it begins with.
  Reading Read(const std::string& bytes, std::size_t pos) const;

  /// The key that sends exactly `bytes`, or null.
  const Key* Find(const std::string& bytes) const;

 private:
  std::unordered_map<std::string, Key> keys_;  // by the bytes a terminal sends
  std::size_t longest_ = 0;
};

}  // namespace recorder

#endif  // KLAVRUN_RECORDER_KEY_DECODER_H_
