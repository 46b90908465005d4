#include "keys/key_forms.h"

#include "keys/key_names.h"
#include "platform/ascii.h"
#include "platform/printable.h"
#include "text/integer.h"

namespace {

// Only the first 20 bytes of a brace name count; the rest is read past.
const std::size_t kMaxBraceName = 20;

// The brace form at text[i] == '{'. Returns the position after it.
std::size_t ReadBraceForm(const char* text, std::size_t len, std::size_t i, KeyForm* form) {
  if (i + 1 < len && text[i + 1] == '{') {
    form->Kind = kfOpenBrace;
    return i + 3;  // the third byte, normally "}", is not looked at
  }
  std::string name;
  std::size_t j = i + 1;
  for (; j < len && text[j] != '}'; ++j)
    if (name.size() < kMaxBraceName) name += ascii::Upper(text[j]);
  if (j >= len) {
    form->Kind = kfNoClose;
    return len;
  }
  if (j + 1 < len && text[j + 1] == '}') {
    form->Kind = kfCloseBrace;  // whatever the name was
    return j + 2;
  }
  const std::string::size_type space = name.find(' ');
  if (space != std::string::npos) {
    form->Text = name.substr(space + 1);
    if (!ParseInteger(form->Text, &form->Count)) {
      form->Kind = kfBadCount;
      return j + 1;
    }
    form->Text.clear();
    name.resize(space);
  }
  if (name.size() == 1) {
    form->Kind = kfBraceChar;
    form->Char = name[0];
    return j + 1;
  }
  const std::uint16_t code = LookupKeyName(name);
  if (code == kNoKeyName) {
    form->Kind = kfBadKeyName;
    form->Text = name;
  } else {
    form->Kind = kfKeyName;
    form->Vk = static_cast<std::uint8_t>(code);
  }
  return j + 1;
}

}  // namespace

bool ReadKeyForm(const char* text, std::size_t len, std::size_t* pos, KeyForm* form) {
  const std::size_t i = *pos;
  if (i >= len) return false;
  // Field by field: the name's buffer is kept from form to form.
  form->Kind = kfChar;
  form->Start = i;
  form->Char = 0;
  form->Vk = 0;
  form->Count = 1;
  form->Text.clear();
  *pos = i + 1;
  switch (text[i]) {
    case '+': form->Kind = kfShift; break;
    case '^': form->Kind = kfCtrl; break;
    case '%': form->Kind = kfAlt; break;
    case '(': form->Kind = kfGroupOpen; break;
    case ')': form->Kind = kfGroupClose; break;
    case '~': form->Kind = kfEnter; break;
    case '{': *pos = ReadBraceForm(text, len, i, form); break;
    default:
      form->Kind = kfChar;
      form->Char = text[i];
  }
  return true;
}

std::string KeyFormProblem(const char* text, const KeyForm& form, std::size_t end) {
  const std::string shown = Quoted(std::string(text + form.Start, end - form.Start));
  switch (form.Kind) {
    case kfBadKeyName: return "unknown key name " + shown;
    case kfNoClose: return "\"{\" without its \"}\"";
    case kfBadCount: return "the repeat count in " + shown + " is not a number";
    default: return "no key on the keyboard layout for " + shown;
  }
}
