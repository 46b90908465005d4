// Which command a script line holds, by its leading words.
#ifndef KLAVRUN_RUNNER_CLASSIFY_H_
#define KLAVRUN_RUNNER_CLASSIFY_H_

#include <string>

#include "runner/globals.h"

/// Classifies a normalised line and replaces it by the command's argument.
/// Never fails: a line it cannot place is ckInvalid. An empty line is a
/// comment.
CommandKind ClassifyLine(std::string& line);

#endif  // KLAVRUN_RUNNER_CLASSIFY_H_
