#include <string>
#include <vector>

#include "platform/posix/console/console.h"
#include "platform/posix/console/recording.h"
#include "platform/posix/console/session.h"
#include "runner/main.h"

namespace {

std::string SizeConsole(int columns, int rows) {
  posix::ResizeConsole(columns, rows);
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  posix::BeginSession();
  OnSize = SizeConsole;
  OnRecord = posix::StartRecording;
  OnLineStarted = posix::RecordLineStarted;
  OnNoHandOver = posix::RefuseHandOver;
  ProgramEntry(std::vector<std::string>(argv + 1, argv + argc));
}
