#include "runner/dispatch.h"

#include "runner/commands.h"
#include "runner/conditional.h"
#include "runner/settle.h"

namespace {

void HandleInvalid(std::string) { Run.CommandOk = false; }
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
