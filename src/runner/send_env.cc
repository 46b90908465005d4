// sendenv "NAME": types the value of environment variable NAME as literal
// text, for a password a script must not hold. NAME is taken as written:
// environment names tell case apart on Linux.
#include <algorithm>
#include <vector>

#include "keys/send_keys.h"
#include "platform/platform.h"
#include "runner/commands.h"
#include "runner/dispatch.h"
#include "runner/globals.h"

namespace {

// The value; false when the variable is not set.
bool EnvironmentValue(const std::string& name, std::string* value) {
  std::vector<char> buffer(256);
  for (;;) {
    const platform::DWORD size = static_cast<platform::DWORD>(buffer.size());
    platform::SetLastError(0);  // an empty value answers 0 too, without an error
    const platform::DWORD n = platform::GetEnvironmentVariableA(name.c_str(), buffer.data(), size);
    if (n == 0 && platform::GetLastError() == platform::ERROR_ENVVAR_NOT_FOUND) return false;
    if (n < size) {
      value->assign(buffer.data(), n);
      std::fill(buffer.begin(), buffer.end(), '\0');
      return true;
    }
    buffer.resize(n);
  }
}

}  // namespace

void HandleSendEnv(std::string argument) {
  const std::string name = StripQuotes(ArgumentAsWritten(argument));
  std::string value;
  Run.CommandOk = false;
  if (name.empty() || !EnvironmentValue(name, &value)) {
    Run.ErrorText = "Environment variable not set: " + name;
    return;
  }
  if (!platform::SetForegroundWindow(Run.ConsoleWindow)) return;
  // Whatever writes about the run shows the placeholder, never the value.
  const std::string placeholder = "[env " + name + "]";
  if (!value.empty() && std::find(Run.Secrets.begin(), Run.Secrets.end(), value) == Run.Secrets.end())
    Run.Secrets.push_back(value);
  platform::MarkSecretKeys(placeholder.c_str());
  Run.CommandOk = TypeLiteralText(value, true, static_cast<std::uint32_t>(Run.CharDelay));
  platform::MarkSecretKeys(nullptr);
  value.assign(value.size(), '\0');
  if (!Run.CommandOk) Run.ErrorText = "No key for a character of environment variable " + name;
  platform::Sleep(static_cast<platform::DWORD>(Run.LineDelay));
}
