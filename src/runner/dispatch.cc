#include "runner/dispatch.h"

#include <string_view>

#include "platform/ascii.h"
#include "runner/commands.h"
#include "runner/conditional.h"
#include "runner/explain.h"
#include "runner/settle.h"

namespace {

void HandleInvalid(std::string) {
  std::size_t offset = 0;
  ExplainFailure(WhyNoCommand(Run.LineAsWritten, &offset));
  Run.CommandOk = false;
}
void HandleRem(std::string) { Run.CommandOk = true; }

using Handler = void (*)(std::string);

// One row per CommandKind, in the order of its values.
const Handler kDispatchTable[] = {
    HandleInvalid,         // ckInvalid
    HandleDelay,           // ckDelay
    HandleApp,             // ckApp
    HandleStart,           // ckStart
    HandleWhileNotExists,  // ckWhileNotExists
    HandleWhileExists,     // ckWhileExists
    HandleSend,            // ckSend
    HandleRem,             // ckRem
    HandleTitle,           // ckTitle
    HandleIfExists,        // ckIfExists
    HandleCharDelay,       // ckCharDelay
    HandleLineDelay,       // ckLineDelay
    HandleWaitTimeout,     // ckWaitTimeout
    HandleSettle,          // ckSettle
    HandleSendEnv,         // ckSendEnv
    HandleSnapshot,        // ckSnapshot
};
constexpr std::size_t kKinds = sizeof kDispatchTable / sizeof kDispatchTable[0];
static_assert(kKinds == ckSnapshot + 1,
              "one handler per command kind");

}  // namespace

void ExecuteCommand(CommandKind kind, std::string argument) {
  Handler handler = kind < kKinds ? kDispatchTable[kind] : HandleInvalid;
  handler(std::move(argument));
}

std::string StripQuotes(const std::string& text) {
  if (text.size() < 2) return std::string();
  return text.substr(1, text.size() - 2);
}

std::size_t ArgumentColumn(const std::string& argument) {
  const std::string& line = Run.LineAsWritten;
  std::size_t end = line.size();
  while (end > 0 && static_cast<unsigned char>(line[end - 1]) <= 0x20) --end;
  if (end < argument.size()) return 0;
  const std::size_t start = end - argument.size();
  // Mostly written in lower case already: then the plain comparison says it.
  const std::string_view written(line.data() + start, argument.size());
  return written == argument || ascii::SameIgnoringCase(written, argument) ? start + 1 : 0;
}

std::string ArgumentAsWritten(const std::string& argument) {
  const std::size_t column = ArgumentColumn(argument);
  return column == 0 ? argument : Run.LineAsWritten.substr(column - 1, argument.size());
}
