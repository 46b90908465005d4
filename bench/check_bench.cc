// The time klavcheck takes over a 100,000-line script: the runner's reader,
// the classifier and the checks, with the script already in memory (the
// recording platform), best of five runs.
#include <chrono>
#include <cstdio>
#include <string>

#include "platform/record/record.h"
#include "runner/globals.h"
#include "runner/script.h"
#include "tools/check_script.h"

namespace {

const int kLines = 100000;

// Every kind of line klavcheck looks into, a few of them with findings.
std::string BigScript() {
  const char* const kinds[] = {
      "rem A script of every command, over and over.",
      "start \"python3 -q\"",
      "while not exists \">>>\"",
      "delay 20",
      "send \"print{(}6*7{)}~{left 3}+(abc){enter 2}\"",
      "if \"42\"",
      "title \"klavrun example\"",
      "#define line_delay 10",
      "app \"notepad\"",
      "send \"{bogus}\"",
  };
  std::string script;
  for (int i = 0; i < kLines; ++i) {
    script += kinds[i % 10];
    script += "\r\n";
  }
  return script;
}

}  // namespace

int main() {
  record::World& world = record::TheWorld();
  world.Quiet = true;
  world.Files["big.klav"].Content = BigScript();
  CheckSettings settings;
  double best = 1e9;
  std::size_t findings = 0;
  for (int run = 0; run < 5; ++run) {
    ResetRunState();
    const auto start = std::chrono::steady_clock::now();
    OpenScript("big.klav");
    findings = CheckOpenScript(settings).size();
    CloseScript();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (took.count() < best) best = took.count();
  }
  std::printf("klavcheck: %d lines checked in %.1f ms (best of 5; %zu findings)\n", kLines,
              best * 1000, findings);
  return 0;
}
