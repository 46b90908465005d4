#include "runner/arguments.h"

#include "platform/printable.h"

namespace {

const OptionRule* FindRule(const std::vector<OptionRule>& rules, const std::string& arg) {
  for (const OptionRule& rule : rules) {
    if (arg.size() == 2 && arg[0] == '-' && rule.Letter != 0 && arg[1] == rule.Letter)
      return &rule;
    if (arg.compare(0, 2, "--") == 0 && arg.compare(2, std::string::npos, rule.Name) == 0)
      return &rule;
  }
  return nullptr;
}

}  // namespace

bool ReadArguments(const std::vector<std::string>& args, const std::vector<OptionRule>& rules,
                   Arguments* out, std::string* error) {
  std::size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") {
      out->OptionsGiven = true;
      ++i;
      break;
    }
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const OptionRule* rule = FindRule(rules, name);
    if (rule == nullptr && arg.compare(0, 2, "--") != 0) break;  // the first operand
    if (rule == nullptr) {
      *error = "unknown option " + Printable(name);
      return false;
    }
    GivenOption given{rule->Name, ""};
    if (equals != std::string::npos) {
      if (!rule->TakesValue) {
        *error = Printable(name) + " takes no value";
        return false;
      }
      given.Value = arg.substr(equals + 1);
    } else if (rule->TakesValue) {
      if (i + 1 >= args.size()) {
        *error = name + " needs a value";
        return false;
      }
      given.Value = args[++i];
    }
    out->Options.push_back(given);
    out->OptionsGiven = true;
  }
  out->Operands.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
  return true;
}
