// The handlers of the simple commands. Each takes the argument as
// ClassifyLine left it and reports through Run.CommandOk and Run.ErrorText.
#ifndef KLAVRUN_RUNNER_COMMANDS_H_
#define KLAVRUN_RUNNER_COMMANDS_H_

#include <string>

void HandleDelay(std::string argument);
void HandleLineDelay(std::string argument);
void HandleCharDelay(std::string argument);
void HandleWaitTimeout(std::string argument);
void HandleStart(std::string argument);
void HandleTitle(std::string argument);
void HandleSend(std::string argument);
void HandleApp(std::string argument);
void HandleSendEnv(std::string argument);
/// Writes the screen as the waits read it to the file named.
void HandleSnapshot(std::string argument);

#endif  // KLAVRUN_RUNNER_COMMANDS_H_
