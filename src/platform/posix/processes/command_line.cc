#include "platform/posix/processes/command_line.h"

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/posix_file.h"

namespace posix {

std::vector<std::string> SplitWords(const std::string& command_line) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  bool quoted = false;
  std::size_t i = 0;
  while (i < command_line.size()) {
    char c = command_line[i];
    if (!quoted && (c == ' ' || c == '\t')) {
      if (in_word) words.push_back(word);
      word.clear();
      in_word = false;
      ++i;
      continue;
    }
    in_word = true;
    if (c == '\\') {
      std::size_t run = 0;
      while (i < command_line.size() && command_line[i] == '\\') ++run, ++i;
      if (i < command_line.size() && command_line[i] == '"') {
        word.append(run / 2, '\\');
        if (run % 2 == 1) {
          word += '"';
          ++i;
        }
      } else {
        word.append(run, '\\');
      }
      continue;
    }
    if (c == '"') {
      if (quoted && i + 1 < command_line.size() && command_line[i + 1] == '"') {
        word += '"';
        i += 2;
        continue;
      }
      quoted = !quoted;
      ++i;
      continue;
    }
    word += c;
    ++i;
  }
  if (in_word) words.push_back(word);
  return words;
}

std::string JoinWords(const std::vector<std::string>& words) {
  std::string line;
  for (const std::string& word : words) {
    if (!line.empty()) line += ' ';
    if (!word.empty() && word.find_first_of(" \t\"") == std::string::npos) {
      line += word;  // backslashes are literal but before a quote
      continue;
    }
    line += '"';
    std::size_t backslashes = 0;
    for (char c : word) {
      if (c == '\\') {
        ++backslashes;
        continue;
      }
      // Backslashes before a quote are doubled, and one more makes it literal.
      line.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
      line += c;
      backslashes = 0;
    }
    line.append(2 * backslashes, '\\');  // before the closing quote
    line += '"';
  }
  return line;
}

namespace {

// 0 when path is a file klavrun may run, else why not.
std::uint32_t CheckProgram(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return platform::MissingFileError(path);
    return platform::Win32ErrorFromErrno(errno);
  }
  if (S_ISDIR(st.st_mode) || access(path.c_str(), X_OK) != 0) return 5;
  return 0;
}

}  // namespace

ProgramFile FindProgram(const std::string& word, const char* search_path) {
  if (word.empty()) return {"", 2};
  if (word.find('/') != std::string::npos) {
    std::uint32_t error = CheckProgram(word);
    return {error == 0 ? word : "", error};
  }
  std::string folders = search_path != nullptr ? search_path
                                               : "/usr/local/bin:/usr/bin:/bin";
  std::uint32_t error = 2;
  std::string::size_type start = 0;
  for (;;) {
    std::string::size_type end = folders.find(':', start);
    std::string folder = folders.substr(
        start, end == std::string::npos ? std::string::npos : end - start);
    std::string candidate = (folder.empty() ? "." : folder) + "/" + word;
    std::uint32_t found = CheckProgram(candidate);
    if (found == 0) return {candidate, 0};
    // A file that is there but may not be run says more than "not found".
    if (found == 5) error = 5;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return {"", error};
}

}  // namespace posix
