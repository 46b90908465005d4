// The script as the recording platform gives it to the runner's reader:
// loaded from the real file, with the open's or the read's error kept.
// Shared by klavtrace and klavcheck.
#ifndef KLAVRUN_TOOLS_RECORD_SCRIPT_H_
#define KLAVRUN_TOOLS_RECORD_SCRIPT_H_

#include <string>

#include "platform/record/record.h"

/// Puts the file at `path` into `world` as the real open and read give it.
void LoadScript(const std::string& path, record::World& world);

#endif  // KLAVRUN_TOOLS_RECORD_SCRIPT_H_
