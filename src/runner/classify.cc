#include "runner/classify.h"

namespace {

// Words are separated by exactly one blank; a text without a blank has an
// empty first word, so a keyword alone on its line is not recognised.
struct Words {
  std::string& line;
  std::string::size_type blank = std::string::npos;  // the blank found last

  std::string First() {
    blank = line.find(' ');
    return blank == std::string::npos ? std::string() : line.substr(0, blank);
  }
  // Cuts the line after its first blank, then looks at the next word.
  std::string Next() {
    line.erase(0, blank + 1);
    return First();
  }
};

}  // namespace

CommandKind ClassifyLine(std::string& line) {
  if (line.empty()) return ckRem;

  Words words{line};
  const std::string word = words.First();
  CommandKind kind = ckInvalid;
  if (word == "delay") kind = ckDelay;
  else if (word == "app") kind = ckApp;
  else if (word == "start") kind = ckStart;
  else if (word == "title") kind = ckTitle;
  else if (word == "send") kind = ckSend;
  else if (word == "sendenv") kind = ckSendEnv;
  else if (word == "rem") kind = ckRem;
  else if (word == "if") kind = ckIfExists;
  else if (word == "settle") kind = ckSettle;
  else if (word == "snapshot") kind = ckSnapshot;
  else if (word == "#define") {
    const std::string name = words.Next();
    if (name == "char_delay") kind = ckCharDelay;
    else if (name == "line_delay") kind = ckLineDelay;
    else if (name == "wait_timeout") kind = ckWaitTimeout;
  } else if (word == "while") {
    std::string next = words.Next();
    if (next == "not") {
      if (words.Next() == "exists") kind = ckWhileNotExists;
    } else if (next == "exists") {
      kind = ckWhileExists;
    }
  } else if (line[0] == ';' || (line.size() >= 2 && line[0] == '/' && line[1] == '/')) {
    kind = ckRem;
  }

  if (words.blank != std::string::npos) line.erase(0, words.blank + 1);
  return kind;
}
