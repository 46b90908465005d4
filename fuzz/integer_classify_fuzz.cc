// The number parser and the line classifier against reference versions
// written here from their descriptions, on any line: both must agree, and a
// command's argument is always what is left of the line after its words.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "runner/classify.h"
#include "text/integer.h"
#include "runner/script.h"

namespace {

// Blanks first; then a sign and decimal digits up to the 32-bit range, or
// "$", "x" or "0x" (any case) and at most 8 significant hex digits.
bool ReferenceInteger(const std::string& text, std::int32_t* value) {
  std::string::size_type start = text.find_first_not_of(' ');
  if (start == std::string::npos) return false;
  std::string s = text.substr(start);
  bool hex = s[0] == '$' || s[0] == 'x' || s[0] == 'X';
  std::string digits = hex ? s.substr(1) : s;
  if (!hex && s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    hex = true;
    digits = s.substr(2);
  }
  bool negative = !hex && s[0] == '-';
  if (!hex && (s[0] == '-' || s[0] == '+')) digits = s.substr(1);
  const std::string allowed = hex ? "0123456789abcdefABCDEF" : "0123456789";
  if (digits.empty() || digits.find_first_not_of(allowed) != std::string::npos) return false;
  digits.erase(0, digits.find_first_not_of('0') == std::string::npos
                      ? digits.size()
                      : digits.find_first_not_of('0'));
  if (digits.size() > (hex ? 8u : 10u)) return false;
  unsigned long long magnitude = digits.empty() ? 0 : std::stoull(digits, nullptr, hex ? 16 : 10);
  if (hex) {
    *value = static_cast<std::int32_t>(static_cast<std::uint32_t>(magnitude));
    return true;
  }
  if (magnitude > (negative ? 2147483648ull : 2147483647ull)) return false;
  *value = static_cast<std::int32_t>(negative ? -static_cast<long long>(magnitude)
                                              : static_cast<long long>(magnitude));
  return true;
}

// The fields between single blanks; a word is a field a blank follows.
struct Fields {
  std::vector<std::string> all;
  explicit Fields(const std::string& line) {
    std::string::size_type at = 0;
    for (;;) {
      std::string::size_type blank = line.find(' ', at);
      all.push_back(line.substr(at, blank - at));
      if (blank == std::string::npos) break;
      at = blank + 1;
    }
  }
  std::string Word(std::size_t i) const { return i + 1 < all.size() ? all[i] : ""; }
  std::string After(std::size_t words) const {  // the line after that many blanks
    std::string rest;
    for (std::size_t i = words; i < all.size(); ++i) rest += (i > words ? " " : "") + all[i];
    return rest;
  }
};

// The kind, and the argument when the line is a recognised command.
CommandKind ReferenceKind(const std::string& line, std::string* argument) {
  if (line.empty()) return ckRem;
  const Fields f(line);
  const struct { const char* words[3]; CommandKind kind; } kCommands[] = {
      {{"delay"}, ckDelay}, {{"app"}, ckApp}, {{"start"}, ckStart},
      {{"title"}, ckTitle}, {{"send"}, ckSend}, {{"rem"}, ckRem}, {{"if"}, ckIfExists},
      {{"settle"}, ckSettle}, {{"sendenv"}, ckSendEnv}, {{"snapshot"}, ckSnapshot},
      {{"#define", "char_delay"}, ckCharDelay}, {{"#define", "line_delay"}, ckLineDelay},
      {{"#define", "wait_timeout"}, ckWaitTimeout},
      {{"while", "not", "exists"}, ckWhileNotExists}, {{"while", "exists"}, ckWhileExists},
  };
  for (const auto& command : kCommands) {
    std::size_t n = 0;
    while (n < 3 && command.words[n] != nullptr && f.Word(n) == command.words[n]) ++n;
    if (n < 3 && command.words[n] != nullptr) continue;
    *argument = f.After(n);
    return command.kind;
  }
  const std::string first = f.Word(0);
  if (first == "#define" || first == "while") return ckInvalid;
  if (line[0] == ';' || line.rfind("//", 0) == 0) return ckRem;
  return ckInvalid;
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

void CheckInteger(const std::string& text) {
  std::int32_t got = 0, expected = 0;
  bool parsed = ParseInteger(text, &got);
  if (parsed != ReferenceInteger(text, &expected) || (parsed && got != expected))
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  CheckInteger(input);
  const std::string line = NormaliseLine(input);
  std::string argument = line;
  std::string expected_argument;
  CommandKind kind = ClassifyLine(argument);
  CommandKind expected = ReferenceKind(line, &expected_argument);
  if (kind != expected || !EndsWith(line, argument)) std::abort();
  if (expected != ckInvalid && line[0] != ';' && line.rfind("//", 0) != 0 && !line.empty() &&
      argument != expected_argument)
    std::abort();
  CheckInteger(argument);
  return 0;
}
