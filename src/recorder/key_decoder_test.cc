#include "recorder/key_decoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "keys/key_forms.h"
#include "keys/key_names.h"
#include "platform/platform.h"
#include "platform/posix/console/screen_model.h"
#include "platform/us_layout.h"

namespace recorder {
namespace {

const char* const kModes[] = {"", "\x1b[?1h"};  // normal and application cursor keys

// What a send presses for a spelling, read with the key-string reader.
posix::KeyPress PressOfSpelling(const std::string& spelling) {
  posix::KeyPress press = {};
  press.interrupt_char = -1;
  std::size_t pos = 0;
  KeyForm form;
  while (ReadKeyForm(spelling.data(), spelling.size(), &pos, &form)) {
    std::uint16_t key = 0;
    switch (form.Kind) {
      case kfShift: press.shift = true; continue;
      case kfCtrl: press.ctrl = true; continue;
      case kfAlt: press.alt = true; continue;
      case kfKeyName: key = form.Vk; break;
      case kfEnter: key = platform::VK_RETURN; break;
      case kfOpenBrace: key = platform::UsVkKeyScan('{'); break;
      case kfCloseBrace: key = platform::UsVkKeyScan('}'); break;
      default: key = platform::UsVkKeyScan(static_cast<unsigned char>(form.Char));
    }
    press.vk = static_cast<std::uint8_t>(key);
    press.shift = press.shift || (key & 0x100) != 0;
  }
  return press;
}

std::string BytesOf(const char* mode, const posix::KeyPress& press) {
  std::string typed;
  posix::ScreenModel screen(&typed);
  screen.Feed(mode, std::strlen(mode));
  typed.clear();
  posix::TypeKey(screen, press);
  return typed;
}

// Every key of the name table and every character, with any modifiers, is
// read back as a spelling that the sender types as the same bytes: a key
// name added to the table is recorded with no change to the recorder.
TEST(KeyDecoder, EveryKeyIsReadBackAsASpellingThatTypesIt) {
  const KeyDecoder decoder;
  std::vector<std::uint8_t> keys;
  for (const KeyName& name : KeyNameTable) keys.push_back(name.Code);
  for (int c = 0x20; c < 0x7f; ++c) keys.push_back(platform::UsVkKeyScan(c) & 0xff);
  for (const char* mode : kModes)
    for (std::uint8_t vk : keys)
      for (int held = 0; held < 8; ++held) {
        const posix::KeyPress press = {vk, (held & 1) != 0, (held & 2) != 0, (held & 4) != 0,
                                       false, -1};
        const std::string bytes = BytesOf(mode, press);
        if (bytes.empty()) continue;
        const Reading read = decoder.Read(bytes, 0);
        ASSERT_EQ(read.kind, Typed::kKey) << int{vk} << " " << held;
        EXPECT_EQ(read.length, bytes.size()) << read.key->spelling;
        EXPECT_EQ(BytesOf(mode, PressOfSpelling(read.key->spelling)), bytes) << read.key->spelling;
      }
}

TEST(KeyDecoder, ReadsWhatTerminalsSend) {
  const KeyDecoder decoder;
  const struct {
    std::string bytes;
    Typed kind;
    std::size_t length;
    const char* spelling;
  } rows[] = {
      {"A", Typed::kKey, 1, "+a"},            {"{", Typed::kKey, 1, "{{}"},
      {"}", Typed::kKey, 1, "{}}"},           {"~x", Typed::kKey, 1, "{~}"},
      {"\r", Typed::kKey, 1, "~"},            {"\x12", Typed::kKey, 1, "^r"},
      {"\x7f", Typed::kKey, 1, "{bs}"},       {"\x1b", Typed::kKey, 1, "{esc}"},
      {"\x1bx", Typed::kKey, 2, "%x"},        {"\x1b[1~", Typed::kKey, 4, "{home}"},
      {"\x1bOA", Typed::kKey, 3, "{up}"},     {"\x1b[1;5C", Typed::kKey, 6, "^{right}"},
      {"\x1b[?1;2c", Typed::kSkipped, 7, ""}, {"\x1b[12;40R", Typed::kSkipped, 8, ""},
      {"\x1b]11;rgb:0/0/0\x1b\\", Typed::kSkipped, 16, ""}, {"\x1b[200~", Typed::kSkipped, 6, ""},
      {"\x1b[<0;3;4M", Typed::kNoKey, 9, ""}, {"\xc3\xa9x", Typed::kNoKey, 2, ""},
  };
  for (const auto& row : rows) {
    const Reading read = decoder.Read(row.bytes, 0);
    EXPECT_EQ(read.kind, row.kind) << row.spelling;
    EXPECT_EQ(read.length, row.length) << row.spelling;
    if (read.kind == Typed::kKey) {
      EXPECT_EQ(read.key->spelling, row.spelling);
    }
  }
}

}  // namespace
}  // namespace recorder
