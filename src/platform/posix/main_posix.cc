#include <string>
#include <vector>

#include "platform/posix/recording.h"
#include "platform/posix/session.h"
#include "runner/main.h"

int main(int argc, char** argv) {
  posix::BeginSession();
  OnRecord = posix::StartRecording;
  OnLineStarted = posix::RecordLineStarted;
  OnNoHandOver = posix::RefuseHandOver;
  ProgramEntry(std::vector<std::string>(argv + 1, argv + argc));
}
