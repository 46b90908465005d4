// The command lines of klavrun, klavtrace and klavcheck, read one way:
// options first, each "--NAME", "--NAME VALUE" or "--NAME=VALUE", a few
// also as one letter ("-h"); "--" ends them.
#ifndef KLAVRUN_RUNNER_ARGUMENTS_H_
#define KLAVRUN_RUNNER_ARGUMENTS_H_

#include <cstddef>
#include <string>
#include <vector>

struct OptionRule {
  const char* Name;  // without its dashes: "timeout"
  char Letter;       // "-h" for 'h'; 0 for none
  bool TakesValue;
};

struct GivenOption {
  std::string Name;  // the rule's name, whichever way it was written
  std::string Value;
};

struct Arguments {
  std::vector<GivenOption> Options;  // in the order given
  std::vector<std::string> Operands;  // what follows the options
  bool OptionsGiven = false;  // an option or "--" came first
};

/// Reads `args` by `rules`. The first argument that does not start with
/// "--" and is no rule's "-LETTER" begins the operands, so that a script
/// may be named "-?" or "/?". False with a one-line message for an unknown
/// option, a missing value or a value given to an option that takes none.
bool ReadArguments(const std::vector<std::string>& args, const std::vector<OptionRule>& rules,
                   Arguments* out, std::string* error);

#endif  // KLAVRUN_RUNNER_ARGUMENTS_H_
