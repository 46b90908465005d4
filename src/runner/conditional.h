// The commands whose next script line, the body, depends on the screen:
// while not exists, while exists and if.
#ifndef KLAVRUN_RUNNER_CONDITIONAL_H_
#define KLAVRUN_RUNNER_CONDITIONAL_H_

#include <string>

/// Runs the body until the condition shows on the screen.
void HandleWhileNotExists(std::string argument);
/// Runs the body while the condition shows on the screen.
void HandleWhileExists(std::string argument);
/// Runs the body once when the condition shows on the screen.
void HandleIfExists(std::string argument);

/// Delivers every pending message of the thread; WM_QUIT is dropped.
void PumpMessages();

#endif  // KLAVRUN_RUNNER_CONDITIONAL_H_
