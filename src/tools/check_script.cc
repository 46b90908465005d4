#include "tools/check_script.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "keys/key_forms.h"
#include "platform/ascii.h"
#include "platform/platform.h"
#include "platform/us_layout.h"
#include "runner/classify.h"
#include "runner/dispatch.h"
#include "runner/globals.h"
#include "runner/script.h"
#include "text/integer.h"

namespace {

// The words that open each command, for saying why a line is none: which
// lines are commands is ClassifyLine's alone.
const std::vector<std::vector<std::string>> kCommandWords = {
    {"delay"}, {"settle"}, {"snapshot"}, {"app"}, {"start"}, {"title"}, {"send"}, {"rem"},
    {"if"},
    {"#define", "char_delay"}, {"#define", "line_delay"}, {"#define", "wait_timeout"},
    {"while", "not", "exists"}, {"while", "exists"},
};

// Repeat counts above this are more likely a slip than a wish.
const std::int32_t kLargeRepeatCount = 1000;

std::string Quoted(const std::string& text) { return "\"" + Printable(text) + "\""; }

// Cells a text takes on the screen: UTF-8 continuation bytes take none.
int Cells(const std::string& text) {
  int cells = 0;
  for (unsigned char c : text) cells += (c & 0xc0) != 0x80;
  return cells;
}

// The length of the UTF-8 character at text[i], or 0 when none starts there.
std::size_t Utf8Length(const std::string& text, std::size_t i) {
  const unsigned char c = static_cast<unsigned char>(text[i]);
  const std::size_t n = c < 0x80 ? 1 : (c & 0xe0) == 0xc0 ? 2 : (c & 0xf0) == 0xe0 ? 3
                        : (c & 0xf8) == 0xf0 ? 4 : 0;
  if (n == 0 || i + n > text.size() || (n == 2 && c < 0xc2)) return 0;
  for (std::size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(text[i + k]) & 0xc0) != 0x80) return 0;
  return n;
}

struct ScriptCheck {
  explicit ScriptCheck(const CheckSettings& s) : settings(s) {}
  const CheckSettings& settings;
  std::vector<Finding> findings;
  int line_number = 0;
  std::size_t lead = 0;  // bytes the normalisation trimmed off the front
  std::string text;      // the line as the runner reads it
  Finding open_conditional;  // the while or if whose body comes next
  bool open_is_while = false;
  bool timeout_in_force = false;
  Finding endless_wait;  // the first while that may wait for ever
  int endless_waits = 0;
  bool too_long = false;

  // `offset` counts bytes in the line as read.
  void Report(bool error, std::size_t offset, const std::string& message) {
    findings.push_back(
        {line_number, static_cast<int>(lead + offset + 1), error, message});
  }
  // The bytes as written at `offset` of the line as read.
  std::string Written(std::size_t offset, std::size_t n) const {
    return Run.LineAsWritten.substr(lead + offset, n);
  }

  void CheckLine();
  void CheckCommand(CommandKind kind, std::size_t at, const std::string& argument);
  void ExplainInvalid();
  void CheckQuotes(std::size_t at, const std::string& argument);
  void CheckMilliseconds(std::size_t at, const std::string& argument);
  void CheckConditional(CommandKind kind, std::size_t at, const std::string& argument);
  void CheckStart(std::size_t at, const std::string& argument);
  void CheckSend(std::size_t at, const std::string& argument);
  void CheckGroup(std::size_t at, const KeyForm& form, KeyFormKind previous, std::size_t* group);
  bool CheckKeyForm(std::size_t at, const KeyForm& form);
  void ReportNoKey(std::size_t at, std::size_t start, std::size_t end, const std::string& keys);
  void CheckRepeatCount(std::size_t at, std::int32_t count);
  void Finish();
};

void ScriptCheck::CheckLine() {
  line_number = Run.LineNumber;
  const std::string& written = Run.LineAsWritten;
  lead = 0;
  while (lead < written.size() && static_cast<unsigned char>(written[lead]) <= 0x20) ++lead;

  const Finding conditional = open_conditional;
  const bool body_of_while = open_is_while;
  open_conditional = Finding();
  if (Run.LineTooLong) {
    // The run ends here, and the rest may never end (/dev/zero).
    Report(true, 0, "Line too long");
    too_long = true;
    return;
  }
  std::string argument = text;
  const CommandKind kind = ClassifyLine(argument);
  const std::size_t at = text.size() - argument.size();
  if (conditional.Line != 0 && body_of_while && kind == ckRem && !timeout_in_force) {
    if (endless_waits++ == 0) endless_wait = conditional;
  }
  if (kind == ckInvalid) {
    ExplainInvalid();
    if (conditional.Line != 0)
      findings.back().Message += " (the body of line " + std::to_string(conditional.Line) + ")";
    return;
  }
  CheckCommand(kind, at, argument);
}

void ScriptCheck::CheckCommand(CommandKind kind, std::size_t at, const std::string& argument) {
  switch (kind) {
    case ckDelay:
    case ckSettle:
    case ckLineDelay:
    case ckCharDelay:
      CheckMilliseconds(at, argument);
      break;
    case ckWaitTimeout: {
      std::int32_t ms = 0;
      if (ParseInteger(argument, &ms) && ms >= 0) timeout_in_force = ms > 0;
      CheckMilliseconds(at, argument);
      break;
    }
    case ckApp:
    case ckTitle:
      CheckQuotes(at, argument);
      break;
    case ckStart: CheckStart(at, argument); break;
    case ckSnapshot:
      CheckQuotes(at, argument);
      if (StripQuotes(argument).empty()) Report(true, at, "no file to write: the line fails");
      break;
    case ckSend: CheckSend(at, argument); break;
    case ckWhileNotExists:
    case ckWhileExists:
    case ckIfExists:
      CheckConditional(kind, at, argument);
      break;
    default: break;
  }
}

// Walks the line along the command words: the first word that leads to no
// command, a keyword with nothing after it, two blanks or a tab.
void ScriptCheck::ExplainInvalid() {
  std::vector<std::vector<std::string>> candidates = kCommandWords;
  std::string said;  // the command words read so far
  std::size_t p = 0;
  for (std::size_t depth = 0;; ++depth) {
    std::size_t end = std::min(text.find(' ', p), text.size());
    const std::string word = text.substr(p, end - p);
    std::size_t control = 0;
    while (control < word.size() && static_cast<unsigned char>(word[control]) >= 0x20) ++control;
    const std::string head = word.substr(0, control);
    candidates.erase(std::remove_if(candidates.begin(), candidates.end(),
                                    [&](const std::vector<std::string>& words) {
                                      return words.size() <= depth || words[depth] != head;
                                    }),
                     candidates.end());
    if (candidates.empty()) {
      const std::string shown = Quoted(Written(p, end - p));
      Report(true, p, depth == 0 ? "unknown command " + shown
                      : said == "#define" ? "unknown #define " + shown
                                          : "unknown word " + shown + " after \"" + said + "\"");
      return;
    }
    if (control < word.size()) {
      Report(true, p + control, word[control] == '\t' ? "a tab between words"
                                                      : "a control character between words");
      return;
    }
    said += (depth == 0 ? "" : " ") + word;
    const bool whole = std::any_of(candidates.begin(), candidates.end(),
                                   [&](const std::vector<std::string>& w) { return w.size() == depth + 1; });
    if (end == text.size()) {
      Report(true, p, "\"" + said + (whole ? "\" has nothing after it" : "\" is not a whole command"));
      return;
    }
    if (whole || text[end + 1] == ' ') {
      Report(true, end + 1, whole ? "not a command" : "two blanks between words");
      return;
    }
    p = end + 1;
  }
}

void ScriptCheck::CheckQuotes(std::size_t at, const std::string& argument) {
  if (argument.size() >= 2 && argument.front() == '"' && argument.back() == '"') return;
  Report(false, at,
         "the argument is not in double quotes: its first and last characters are "
         "dropped all the same, leaving " + Quoted(StripQuotes(argument)));
}

void ScriptCheck::CheckMilliseconds(std::size_t at, const std::string& argument) {
  std::int32_t ms = 0;
  if (!ParseInteger(argument, &ms))
    Report(true, at, "not a number of milliseconds: " + Quoted(Written(at, argument.size())));
  else if (ms < 0)
    Report(true, at, "a negative number of milliseconds: " + std::to_string(ms));
}

void ScriptCheck::CheckConditional(CommandKind kind, std::size_t at, const std::string& argument) {
  open_conditional = {line_number, static_cast<int>(lead + 1), true, ""};
  open_is_while = kind != ckIfExists;
  const bool if_exists = kind == ckIfExists && (argument.rfind("exists ", 0) == 0 ||
                                                argument.rfind("not exists ", 0) == 0);
  if (if_exists)
    Report(false, at, "\"if\" takes the text alone: the words after it are part of the text it looks for");
  else
    CheckQuotes(at, argument);
  const std::string condition = StripQuotes(argument);
  if (kind == ckWhileNotExists && condition.empty()) {
    Report(true, at, "an empty text is never found: the line fails (\"Empty condition in while not exists\")");
  } else if (Cells(condition) > settings.ScreenColumns) {
    Report(false, at + 1, "the text is " + std::to_string(Cells(condition)) +
                              " characters long, wider than the screen (" +
                              std::to_string(settings.ScreenColumns) + "): it is never found");
  }
}

void ScriptCheck::CheckStart(std::size_t at, const std::string& argument) {
  CheckQuotes(at, argument);
  // Where letter case matters, start takes the command line as written.
  const std::string command_line =
      StripQuotes(platform::LetterCaseMatters() ? Written(at, argument.size()) : argument);
  const std::size_t quote = command_line.find('\'');
  if (quote != std::string::npos)
    Report(false, at + 1 + quote,
           "single quotes do not group words in a command line: double quotes do");
  if (settings.ProgramProblem) {
    const std::string problem = settings.ProgramProblem(command_line);
    if (!problem.empty()) Report(false, at + 1, problem);
  }
}

void ScriptCheck::CheckSend(std::size_t at, const std::string& argument) {
  CheckQuotes(at, argument);
  const std::string keys = StripQuotes(argument);
  const std::size_t len = std::strlen(keys.c_str());  // the sender stops at a NUL
  const std::size_t keys_at = at + 1;
  if (len == 0) {
    Report(true, at, "nothing to send: the line fails");
    return;
  }
  std::size_t pos = 0;
  std::size_t group = std::string::npos;  // the "(" still open
  std::size_t no_key = 0, no_key_end = 0;  // a run of bytes without a key
  std::size_t capital = std::string::npos;  // the first capital typed
  KeyFormKind previous = kfChar;
  KeyForm form;
  while (ReadKeyForm(keys.c_str(), len, &pos, &form)) {
    CheckGroup(keys_at, form, previous, &group);
    previous = form.Kind;
    if (form.Kind == kfChar && capital == std::string::npos &&
        Written(keys_at + form.Start, 1) != std::string(1, form.Char))
      capital = form.Start;
    if (form.Kind == kfChar &&
        platform::UsVkKeyScan(static_cast<unsigned char>(form.Char)) == 0xffff) {
      if (no_key_end != form.Start || no_key == no_key_end) no_key = form.Start;
      no_key_end = pos;
      continue;
    }
    ReportNoKey(keys_at, no_key, no_key_end, keys);
    no_key = no_key_end;
    if (!CheckKeyForm(keys_at, form)) return;
  }
  ReportNoKey(keys_at, no_key, no_key_end, keys);
  if (capital != std::string::npos)
    Report(false, keys_at + capital,
           "capitals are typed in lower case, as every line is read: write +" +
               std::string(1, keys[capital]) + " for " + Quoted(Written(keys_at + capital, 1)));
  if (group != std::string::npos)
    Report(false, keys_at + group,
           "a group never closed: its modifiers are held to the end of the keys");
}

// Parentheses type nothing: they group keys for a modifier before them.
void ScriptCheck::CheckGroup(std::size_t at, const KeyForm& form, KeyFormKind previous,
                             std::size_t* group) {
  if (form.Kind == kfGroupOpen) {
    if (*group == std::string::npos && previous != kfShift && previous != kfCtrl &&
        previous != kfAlt)
      Report(false, at + form.Start,
             "a group with no +, ^ or % before it: the parentheses are not typed (write {(} and {)})");
    *group = form.Start;
  } else if (form.Kind == kfGroupClose) {
    if (*group == std::string::npos)
      Report(false, at + form.Start, "\")\" closes no group and is not typed (write {)})");
    *group = std::string::npos;
  }
}

// False when the send ends at this form.
bool ScriptCheck::CheckKeyForm(std::size_t at, const KeyForm& form) {
  const std::size_t where = at + form.Start;
  switch (form.Kind) {
    case kfBadKeyName: {
      std::string name = form.Text;
      for (char& c : name) c = ascii::Lower(c);
      Report(true, where, "unknown key name " + Quoted(name) + ": message box \"Invalid Key Name\"");
      return true;
    }
    case kfNoClose:
      Report(true, where, "\"{\" without its \"}\": message box \"No Close\", the line fails");
      return false;
    case kfBadCount:
      Report(true, where, "'" + Printable(form.Text) +
                              "' is not a valid integer value: the run ends here (EConvertError)");
      return false;
    case kfKeyName:
    case kfBraceChar:
      CheckRepeatCount(where, form.Count);
      return true;
    default:
      return true;
  }
}

// One finding for the bytes of one character (UTF-8 takes several), or of
// a run of them: each byte shows its own message box.
void ScriptCheck::ReportNoKey(std::size_t at, std::size_t start, std::size_t end,
                              const std::string& keys) {
  if (start == end) return;
  const std::size_t boxes = end - start;
  Report(true, at + start,
         "no key on the US layout for " + Quoted(keys.substr(start, boxes)) + ": " +
             (boxes == 1 ? "message box" : std::to_string(boxes) + " message boxes") +
             " \"Invalid KeyName\"");
}

void ScriptCheck::CheckRepeatCount(std::size_t at, std::int32_t count) {
  if (count == 0)
    Report(false, at, "a repeat count of 0 types nothing");
  else if (count < 0 || count > 0xffff)
    Report(false, at, "the repeat count " + std::to_string(count) + " wraps to " +
                          std::to_string(PressCount(count)));
  else if (count > kLargeRepeatCount)
    Report(false, at, "a repeat count above " + std::to_string(kLargeRepeatCount) + ": " +
                          std::to_string(count));
}

void ScriptCheck::Finish() {
  if (open_conditional.Line != 0) {
    open_conditional.Message = std::string(open_is_while ? "a while" : "an if") +
                               " on the last line: its body would be the empty end of the script";
    findings.push_back(open_conditional);
  }
  if (endless_waits > 0) {
    endless_wait.Error = false;
    endless_wait.Message =
        "this wait never ends if the text never shows: its body is a comment and no "
        "wait_timeout is in force";
    if (endless_waits > 1)
      endless_wait.Message += " (" + std::to_string(endless_waits - 1) + " more such lines)";
    findings.push_back(endless_wait);
  }
}

}  // namespace

std::vector<Finding> CheckOpenScript(const CheckSettings& settings) {
  ScriptCheck check(settings);
  if (ScriptIsUtf16()) {
    check.line_number = 1;
    check.Report(true, 0, "Script is UTF-16: save it as UTF-8 or ANSI");
    return check.findings;
  }
  Run.LineNumber = 0;
  while (!check.too_long && !ScriptAtEnd()) {
    check.text = ReadScriptLine();
    check.CheckLine();
  }
  check.Finish();
  std::stable_sort(check.findings.begin(), check.findings.end(),
                   [](const Finding& a, const Finding& b) {
                     return a.Line != b.Line ? a.Line < b.Line : a.Column < b.Column;
                   });
  return check.findings;
}

std::string Printable(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = Utf8Length(text, i);
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (n > 0 && c >= 0x20 && c != 0x7f) {
      out.append(text, i, n);
      i += n;
      continue;
    }
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\x%02x", c);
    out += buf;
    ++i;
  }
  return out;
}
