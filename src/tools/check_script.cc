#include "tools/check_script.h"

#include <algorithm>
#include <cstring>

#include "keys/key_forms.h"
#include "platform/ascii.h"
#include "platform/platform.h"
#include "platform/printable.h"
#include "platform/us_layout.h"
#include "runner/classify.h"
#include "runner/dispatch.h"
#include "runner/explain.h"
#include "runner/globals.h"
#include "runner/script.h"
#include "text/integer.h"

namespace {

// Repeat counts above this are more likely a slip than a wish.
const std::int32_t kLargeRepeatCount = 1000;

// Cells a text takes on the screen: UTF-8 continuation bytes take none.
int Cells(const std::string& text) {
  int cells = 0;
  for (unsigned char c : text) cells += (c & 0xc0) != 0x80;
  return cells;
}

// The first single quote that a shell would take as grouping words, where
// start's own splitting does not: outside double quotes (whatever is inside
// them is the started program's, such as sh -c's text), with a blank before
// the next such quote. npos when there is none.
std::size_t GroupingSingleQuote(const std::string& command_line) {
  bool in_double = false;
  bool blank = false;
  std::size_t open = std::string::npos;
  for (std::size_t i = 0; i < command_line.size(); ++i) {
    const char c = command_line[i];
    if (c == '"' && (i == 0 || command_line[i - 1] != '\\')) {
      in_double = !in_double;
    } else if (in_double) {
      continue;
    } else if (c == '\'') {
      if (open != std::string::npos && blank) return open;
      open = open == std::string::npos ? i : std::string::npos;
      blank = false;
    } else if (c == ' ' || c == '\t') {
      blank = open != std::string::npos;
    }
  }
  return std::string::npos;
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
  void CheckSendEnv(std::size_t at, const std::string& argument);
  void CheckGroup(std::size_t at, const KeyForm& form, KeyFormKind previous, std::size_t* group);
  bool CheckKeyForm(std::size_t at, const std::string& keys, const KeyForm& form, std::size_t end);
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
    Report(true, 0, kLineTooLong);
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
    case ckSendEnv: CheckSendEnv(at, argument); break;
    case ckWhileNotExists:
    case ckWhileExists:
    case ckIfExists:
      CheckConditional(kind, at, argument);
      break;
    default: break;
  }
}

void ScriptCheck::ExplainInvalid() {
  std::size_t offset = 0;
  const std::string why = WhyNoCommand(Run.LineAsWritten, &offset);
  findings.push_back({line_number, static_cast<int>(offset + 1), true, why});
}

void ScriptCheck::CheckQuotes(std::size_t at, const std::string& argument) {
  if (argument.size() >= 2 && argument.front() == '"' && argument.back() == '"') return;
  Report(false, at,
         "the argument is not in double quotes: its first and last characters are "
         "dropped all the same, leaving " + Quoted(StripQuotes(argument)));
}

void ScriptCheck::CheckMilliseconds(std::size_t at, const std::string& argument) {
  const std::string problem = MillisecondsProblem(argument, Written(at, argument.size()));
  if (!problem.empty()) Report(true, at, problem);
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
    Report(true, at, std::string(kEmptyCondition) +
                         ": the line fails (\"Empty condition in while not exists\")");
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
  const std::size_t quote = GroupingSingleQuote(command_line);
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
    Report(true, at, std::string(kNothingToSend) + ": the line fails");
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
    if (!CheckKeyForm(keys_at, keys, form, pos)) return;
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

// The variable is looked up here, as the run would look it up: its value is
// judged, never shown.
void ScriptCheck::CheckSendEnv(std::size_t at, const std::string& argument) {
  CheckQuotes(at, argument);
  const std::string name = StripQuotes(Written(at, argument.size()));
  if (name.empty()) {
    Report(true, at, "no variable name: the line fails");
    return;
  }
  char ignored[1];
  platform::SetLastError(0);
  const platform::DWORD size = platform::GetEnvironmentVariableA(name.c_str(), ignored, 1);
  if (size == 0 && platform::GetLastError() == platform::ERROR_ENVVAR_NOT_FOUND) {
    Report(false, at + 1, "the environment variable " + Quoted(name) +
                              " is not set here: where it is not set, the line fails");
    return;
  }
  std::string value(size, '\0');
  if (size > 1) value.resize(platform::GetEnvironmentVariableA(name.c_str(), &value[0], size));
  const bool typable = std::all_of(value.begin(), value.end(), [](char c) {
    return platform::UsVkKeyScan(static_cast<unsigned char>(c)) != 0xffff;
  });
  std::fill(value.begin(), value.end(), '\0');
  if (!typable)
    Report(false, at + 1, "the environment variable " + Quoted(name) +
                              " holds a character with no key on the US layout: the line fails");
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
bool ScriptCheck::CheckKeyForm(std::size_t at, const std::string& keys, const KeyForm& form,
                               std::size_t end) {
  const std::size_t where = at + form.Start;
  const std::string problem = KeyFormProblem(keys.c_str(), form, end);
  switch (form.Kind) {
    case kfBadKeyName:
      Report(true, where, problem + ": message box \"Invalid Key Name\"");
      return true;
    case kfNoClose:
      Report(true, where, problem + ": message box \"No Close\", the line fails");
      return false;
    case kfBadCount:
      Report(true, where, problem + ": the run ends here (EConvertError)");
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
    check.Report(true, 0, kScriptIsUtf16);
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
