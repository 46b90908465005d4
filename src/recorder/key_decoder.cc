#include "recorder/key_decoder.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "keys/key_names.h"
#include "platform/ascii.h"
#include "platform/posix/console/screen_model.h"
#include "platform/us_layout.h"

namespace recorder {
namespace {

// Fewer modifiers first: of two spellings for the same bytes the simpler
// one is kept. Shift alone comes with the characters themselves.
const char* const kModifierSets[] = {"", "^", "%", "^%", "+", "+^", "+%", "+^%"};

// The characters the key-string language gives a meaning of their own.
constexpr char kSpecial[] = "+^%~(){}";

// How other terminals send some keys, and the form the screen model sends.
const struct {
  const char* other;
  const char* xterm;
} kOtherForms[] = {
    {"\x1b[1~", "\x1b[H"},   {"\x1b[4~", "\x1b[F"},   {"\x1b[7~", "\x1b[H"},
    {"\x1b[8~", "\x1b[F"},   {"\x1b[11~", "\x1bOP"},  {"\x1b[12~", "\x1bOQ"},
    {"\x1b[13~", "\x1bOR"},  {"\x1b[14~", "\x1bOS"},  {"\x1b[[A", "\x1bOP"},
    {"\x1b[[B", "\x1bOQ"},   {"\x1b[[C", "\x1bOR"},   {"\x1b[[D", "\x1bOS"},
    {"\x1b[[E", "\x1b[15~"},
};

// The modes the screen model encodes keys in: as they start, and with
// application cursor keys.
const char* const kKeyModes[] = {"", "\x1b[?1h"};

std::string CharSpelling(char c) {
  if (c >= 'A' && c <= 'Z') return std::string("+") + ascii::Lower(c);
  if (c == '{') return "{{}";
  if (c == '}') return "{}}";
  if (std::strchr(kSpecial, c) != nullptr) return std::string("{") + c + "}";
  return std::string(1, c);
}

posix::KeyPress Press(std::uint8_t vk, const char* modifiers) {
  posix::KeyPress press = {};
  press.vk = vk;
  press.shift = std::strchr(modifiers, '+') != nullptr;
  press.ctrl = std::strchr(modifiers, '^') != nullptr;
  press.alt = std::strchr(modifiers, '%') != nullptr;
  press.interrupt_char = -1;  // Break types what the console says; ^c is spelled as such
  return press;
}

// A character's key with its layout's shift state and the modifiers held.
posix::KeyPress PressOfChar(char c, const char* modifiers) {
  const std::uint16_t key = platform::UsVkKeyScan(static_cast<unsigned char>(c));
  posix::KeyPress press = Press(static_cast<std::uint8_t>(key & 0xff), modifiers);
  press.shift = press.shift || (key & 0x100) != 0;
  return press;
}

// The key names, shortest first: {bs} rather than {backspace}.
std::vector<KeyName> NamesShortestFirst() {
  std::vector<KeyName> names(std::begin(KeyNameTable), std::end(KeyNameTable));
  std::stable_sort(names.begin(), names.end(), [](const KeyName& a, const KeyName& b) {
    return std::strlen(a.Name) < std::strlen(b.Name);
  });
  return names;
}

// Where the escape sequence at bytes[pos] ends: CSI to its final byte, SS3
// and one byte, a control string to its terminator. npos when no whole
// sequence starts there.
std::size_t SequenceEnd(const std::string& bytes, std::size_t pos) {
  if (pos + 2 > bytes.size() || bytes[pos] != '\x1b') return std::string::npos;
  const char kind = bytes[pos + 1];
  if (kind == 'O') return pos + 3 <= bytes.size() ? pos + 3 : std::string::npos;
  if (kind == '[') {
    for (std::size_t i = pos + 2; i < bytes.size(); ++i) {
      const unsigned char b = static_cast<unsigned char>(bytes[i]);
      if (b >= 0x40 && b <= 0x7e && !(i == pos + 2 && b == '[')) return i + 1;
      if (b < 0x20 || b > 0x7e) return std::string::npos;
    }
    return std::string::npos;
  }
  if (std::strchr("]P_^", kind) == nullptr) return std::string::npos;
  for (std::size_t i = pos + 2; i < bytes.size(); ++i) {
    if (bytes[i] == '\a') return i + 1;
    if (bytes[i] == '\x1b' && i + 1 < bytes.size() && bytes[i + 1] == '\\') return i + 2;
  }
  return std::string::npos;
}

// What a terminal sends on its own: answers to queries (device attributes,
// the cursor's place, modes, colours), focus changes, a paste's marks.
bool SentByTheTerminal(const std::string& sequence) {
  if (sequence[1] != '[') return sequence[1] != 'O';
  const char first = sequence.size() > 3 ? sequence[2] : 0;
  const char final = sequence.back();
  return first == '?' || first == '>' || first == '=' ||
         std::strchr("Rcnyt", final) != nullptr || sequence == "\x1b[I" ||
         sequence == "\x1b[O" || sequence == "\x1b[200~" || sequence == "\x1b[201~";
}

}  // namespace

KeyDecoder::KeyDecoder() {
  const std::vector<KeyName> names = NamesShortestFirst();
  for (const char* mode : kKeyModes) {
    std::string typed;
    posix::ScreenModel screen(&typed);
    screen.Feed(mode, std::strlen(mode));
    // The first spelling found for a key's bytes is kept.
    auto add = [&](const std::string& spelling, const posix::KeyPress& press, char text) {
      typed.clear();
      posix::TypeKey(screen, press);
      if (typed.empty()) return;  // a key with no meaning on a terminal
      longest_ = std::max(longest_, typed.size());
      keys_.emplace(typed, Key{spelling, press, text});
    };
    add("~", Press(platform::VK_RETURN, ""), 0);
    for (const char* modifiers : kModifierSets) {
      // Characters without Shift first: ^r rather than ^+r.
      for (int shifted = 0; shifted < 2 && std::strchr(modifiers, '+') == nullptr; ++shifted)
        for (char c = 0x20; c < 0x7f; ++c)
          if (((platform::UsVkKeyScan(static_cast<unsigned char>(c)) >> 8) & 1) == shifted)
            add(modifiers + CharSpelling(c), PressOfChar(c, modifiers), *modifiers ? 0 : c);
      for (const KeyName& name : names) {
        std::string spelling = std::string(modifiers) + "{";
        for (const char* p = name.Name; *p; ++p) spelling += ascii::Lower(*p);
        add(spelling + "}", Press(name.Code, modifiers), 0);
      }
    }
  }
  for (const auto& form : kOtherForms)
    if (const Key* key = Find(form.xterm)) keys_.emplace(form.other, *key);
}

const Key* KeyDecoder::Find(const std::string& bytes) const {
  const auto found = keys_.find(bytes);
  return found == keys_.end() ? nullptr : &found->second;
}

Reading KeyDecoder::Read(const std::string& bytes, std::size_t pos) const {
  const std::size_t end = SequenceEnd(bytes, pos);
  if (end != std::string::npos) {
    const std::string sequence = bytes.substr(pos, end - pos);
    if (const Key* key = Find(sequence)) return {Typed::kKey, sequence.size(), key};
    return {SentByTheTerminal(sequence) ? Typed::kSkipped : Typed::kNoKey, sequence.size(),
            nullptr};
  }
  for (std::size_t n = std::min(longest_, bytes.size() - pos); n > 0; --n)
    if (const Key* key = Find(bytes.substr(pos, n))) return {Typed::kKey, n, key};
  // A character no key types: all of its UTF-8 bytes.
  std::size_t n = 1;
  while (pos + n < bytes.size() && (static_cast<unsigned char>(bytes[pos + n]) & 0xc0) == 0x80 &&
         (static_cast<unsigned char>(bytes[pos]) & 0xc0) == 0xc0)
    ++n;
  return {Typed::kNoKey, n, nullptr};
}

}  // namespace recorder
