// Running the core against the recording platform in unit tests.
#ifndef KLAVRUN_PLATFORM_RECORD_RECORD_TEST_SUPPORT_H_
#define KLAVRUN_PLATFORM_RECORD_RECORD_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/record/record.h"
#include "runner/globals.h"

/// A fresh world, run state, output state and window search.
void ResetAll();

/// A test on a fresh world; a table's rows call SetUp() for their own.
class RecordTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetAll(); }
  record::World& world = record::TheWorld();
};

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

/// The key events, message boxes and sleeps, space-separated: "d41" a key-down
/// of vk 0x41 with its US scan code, "u41" a key-up, "a41" the two in a row, "x"
/// first for the extended flag ("x25"), "box:No_Close" a message box, "s20" a
/// sleep; any other key event as "vk/scan/flags".
std::string Keys();

#endif  // KLAVRUN_PLATFORM_RECORD_RECORD_TEST_SUPPORT_H_
