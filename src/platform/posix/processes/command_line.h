// Turning a start command's command line into a program and its words.
#ifndef KLAVRUN_PLATFORM_POSIX_PROCESSES_COMMAND_LINE_H_
#define KLAVRUN_PLATFORM_POSIX_PROCESSES_COMMAND_LINE_H_

#include <cstdint>
#include <string>
#include <vector>

namespace posix {

/// Splits a command line into words the way a Windows program's runtime
/// does: blanks and tabs separate; double quotes group and are dropped;
/// backslashes are literal except before a double quote, where each pair
/// gives one backslash and an odd one makes the quote literal; inside
/// quotes, two double quotes give one.
std::vector<std::string> SplitWords(const std::string& command_line);

/// The command line SplitWords splits into `words`: a word with a blank, a
/// tab or a double quote, or an empty one, in double quotes.
std::string JoinWords(const std::vector<std::string>& words);

/// Where a program is, or the Win32 error code of why it cannot be run:
/// 2 not found, 3 a folder on the way does not exist, 5 not executable.
struct ProgramFile {
  std::string path;
  std::uint32_t error;
};

/// Finds the program a word names: a word with a "/" is a path; any other
/// word is looked up in the folders of search_path (a PATH value), without
/// a shell.
ProgramFile FindProgram(const std::string& word, const char* search_path);

}  // namespace posix

#endif  // KLAVRUN_PLATFORM_POSIX_PROCESSES_COMMAND_LINE_H_
