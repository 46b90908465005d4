// Running the core against the recording platform in unit tests.
#ifndef KLAVRUN_PLATFORM_RECORD_RECORD_TEST_SUPPORT_H_
#define KLAVRUN_PLATFORM_RECORD_RECORD_TEST_SUPPORT_H_

#include <string>
#include <vector>

#include "platform/record/record.h"

/// A fresh world, run state, output state and window search.
void ResetAll();

struct RunResult {
  unsigned Code = 0xffffffff;
  std::string Output;  // bytes written to standard output
};

/// Runs klavrun with `args` in the current world; ExitProcess ends it.
RunResult RunKlavrun(const std::vector<std::string>& args);

/// Puts `script` into the world as "script.txt" and runs it.
RunResult RunScript(const std::string& script);

/// The recorded calls whose names start with one of `names`.
std::vector<std::string> CallsNamed(const std::vector<std::string>& names);

/// The keybd_event calls, each as "vk scan flags" in hexadecimal without 0x,
/// e.g. "10 2a 0"; message boxes as "box TEXT"; sleeps as "sleep N".
std::vector<std::string> KeyEvents();

/// Splits a space-separated list of expected events; "|" separates events.
std::vector<std::string> Events(const std::string& list);

#endif  // KLAVRUN_PLATFORM_RECORD_RECORD_TEST_SUPPORT_H_
