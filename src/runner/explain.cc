#include "runner/explain.h"

#include <algorithm>
#include <vector>

#include "platform/printable.h"
#include "runner/globals.h"
#include "runner/output.h"
#include "runner/script.h"
#include "text/integer.h"

const char kLineTooLong[] = "Line too long";
const char kScriptIsUtf16[] = "Script is UTF-16: save it as UTF-8 or ANSI";
const char kEmptyCondition[] = "an empty text is never found";
const char kNothingToSend[] = "nothing to send";
const char kNoProgram[] = "no program to start";

namespace {

// The words that open each command, for saying why a line is none: which
// lines are commands is ClassifyLine's alone.
const std::vector<std::vector<std::string>> kCommandWords = {
    {"delay"}, {"settle"},   {"snapshot"}, {"app"}, {"start"}, {"title"},
    {"send"},  {"sendenv"}, {"rem"},      {"if"},
    {"#define", "char_delay"}, {"#define", "line_delay"}, {"#define", "wait_timeout"},
    {"while", "not", "exists"}, {"while", "exists"},
};

std::string Located(int line, int column, const char* kind, const std::string& text) {
  std::string place = ScriptPlace(line != 0 ? line : Run.LineNumber);
  if (column > 0) place += ":" + std::to_string(column);
  return place + ": " + kind + ": " + text;
}

}  // namespace

// Walks the line along the command words: the first word that leads to no
// command, a keyword with nothing after it, two blanks or a tab.
std::string WhyNoCommand(const std::string& written, std::size_t* offset) {
  std::size_t lead = 0;
  while (lead < written.size() && static_cast<unsigned char>(written[lead]) <= 0x20) ++lead;
  const std::string text = NormaliseLine(written);
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
    *offset = lead + p;
    if (candidates.empty()) {
      const std::string shown = Quoted(written.substr(lead + p, end - p));
      return depth == 0 ? "unknown command " + shown
             : said == "#define" ? "unknown #define " + shown
                                 : "unknown word " + shown + " after \"" + said + "\"";
    }
    if (control < word.size()) {
      *offset = lead + p + control;
      return word[control] == '\t' ? "a tab between words" : "a control character between words";
    }
    said += (depth == 0 ? "" : " ") + word;
    const bool whole =
        std::any_of(candidates.begin(), candidates.end(),
                    [&](const std::vector<std::string>& w) { return w.size() == depth + 1; });
    if (end == text.size())
      return "\"" + said + (whole ? "\" has nothing after it" : "\" is not a whole command");
    if (whole || text[end + 1] == ' ') {
      *offset = lead + end + 1;
      return whole ? "not a command" : "two blanks between words";
    }
    p = end + 1;
  }
}

std::string MillisecondsProblem(const std::string& argument, const std::string& written) {
  std::int32_t ms = 0;
  if (!ParseInteger(argument, &ms)) return "not a number of milliseconds: " + Quoted(written);
  if (ms < 0) return "a negative number of milliseconds: " + std::to_string(ms);
  return "";
}

std::string SystemErrorText(platform::DWORD code) {
  switch (code) {
    case 2: return "no such file";
    case 3: return "no such folder";
    case 4: return "too many open files";
    case 5: return "access denied";
    case 8: return "not enough memory";
    case 30: return "input/output error";
    case 39: return "the disk is full";
    case 123: return "not a valid file name";
    case 193: return "not a program this system runs";
    case 206: return "the name is too long";
    case 1921: return "too many symbolic links";
  }
  return "system error " + std::to_string(code);
}

std::string CannotOpen(const std::string& path, platform::DWORD code) {
  return "cannot open " + Quoted(path) + ": " + SystemErrorText(code);
}

std::string DurationText(std::uint32_t ms) {
  return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

std::string ScriptPlace(int line) { return Printable(Run.ScriptName) + ":" + std::to_string(line); }

void ExplainFailure(const std::string& text, int column, int line) {
  Run.Why = Located(line, column, "error", text);
  Run.WhyWritten = false;
}

void ExplainNow(const std::string& text, int column) {
  Run.Why = Located(0, column, "error", text);
  Run.WhyWritten = true;
  WriteErrorOutput(Run.Why + "\n");
}

void WarnNow(const std::string& text, int line) {
  WriteErrorOutput(Located(line, 0, "warning", text) + "\n");
}

void WriteExplanation() {
  if (Run.Why.empty() || Run.WhyWritten) return;
  Run.WhyWritten = true;
  WriteErrorOutput(Run.Why + "\n");
}
