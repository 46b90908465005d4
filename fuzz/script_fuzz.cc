// A whole script through the runner on the recording platform: any bytes
// as the script file, then the run ends with one of klavrun's exit codes.
// Message boxes answer at once; a wait ends after a bounded number of
// captures; delays are only recorded.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/record/record.h"
#include "runner/globals.h"
#include "runner/main.h"
#include "runner/output.h"

namespace {

struct WaitedLongEnough {};

// After the script, up to 25 rows of screen, so that waits can end.
void SetUpWorld(const std::string& input) {
  record::ResetWorld();
  record::World& world = record::TheWorld();
  world.Quiet = true;
  std::string::size_type cut = input.find("\n\n\n");
  world.Files["s"].Content = input.substr(0, cut);
  if (cut != std::string::npos) {
    std::vector<std::string> rows;
    std::string::size_type at = cut + 3;
    while (at <= input.size() && rows.size() < 25) {
      std::string::size_type end = input.find('\n', at);
      if (end == std::string::npos) end = input.size();
      rows.push_back(input.substr(at, std::min<std::size_t>(end - at, 80)));
      at = end + 1;
    }
    world.Screens = {std::vector<std::string>(), rows};
  }
  world.CaptureLimit = 20;
  world.OnCaptureLimit = [] { throw WaitedLongEnough{}; };
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  SetUpWorld(std::string(reinterpret_cast<const char*>(data), size));
  ResetRunState();
  ResetOutput();
  try {
    ProgramEntry({"s"});
  } catch (const record::Exited& exited) {
    if (exited.Code > 2) std::abort();  // 0, 1 and 2 are klavrun's
  } catch (const WaitedLongEnough&) {
  }
  return 0;
}
