#include "runner/junit_report.h"

#include "platform/platform.h"
#include "platform/printable.h"
#include "runner/errors.h"
#include "runner/globals.h"
#include "runner/output.h"
#include "runner/screen.h"
#include "writers/junit.h"

namespace {

struct JunitReport {
  bool Begun = false;
  std::string Path;
  std::string PartPath;  // the new file beside Path, renamed to it at the end
  platform::HANDLE File = 0;
  std::string Script;
  std::uint64_t StartMs = 0;
};

JunitReport report;

std::string CannotWrite(const std::string& what, platform::DWORD error) {
  return "klavrun: cannot " + what + " the JUnit report " + Printable(report.Path) + ": " +
         InOutErrorMessage(error);
}

// The screen the run ended on, as the picture on standard error shows it.
std::string FinalPicture() {
  if (!Run.LoopStarted) return "";
  try {
    ScreenImage screen;
    CaptureScreen(screen);
    return ScreenPicture(screen);
  } catch (const platform::StopRequested&) {
  } catch (const RaisedError&) {
  }
  return "";
}

// What ended a run that failed, as the failure's type.
const char* EndKind(unsigned exit_code) {
  if (exit_code == kExitUnhandled) return "unhandled error";
  if (exit_code == kExitLineFailed) return "failed line";
  return "signal";
}

// "" when the report is in place, else why not.
std::string WriteJunitFile(const std::string& xml) {
  platform::DWORD written = 0;
  const bool wrote = platform::WriteFile(report.File, xml.data(),
                                         static_cast<platform::DWORD>(xml.size()), &written,
                                         nullptr) != 0 &&
                     written == xml.size();
  platform::DWORD error = wrote ? 0 : platform::GetLastError();
  platform::CloseHandle(report.File);
  if (wrote && !platform::MoveFileExA(report.PartPath.c_str(), report.Path.c_str(),
                                      platform::MOVEFILE_REPLACE_EXISTING))
    error = platform::GetLastError();
  if (error == 0) return "";
  platform::DeleteFileA(report.PartPath.c_str());
  return CannotWrite("write", error);
}

}  // namespace

std::string BeginJunitReport(const std::string& path, const std::string& script) {
  report.Path = path;
  report.Script = script;
  report.PartPath = path + "." + std::to_string(platform::GetCurrentProcessId()) + ".part";
  report.File = platform::CreateFileA(report.PartPath.c_str(), platform::GENERIC_WRITE, 0,
                                      nullptr, platform::CREATE_NEW,
                                      platform::FILE_ATTRIBUTE_NORMAL, 0);
  if (report.File == platform::INVALID_HANDLE_VALUE)
    return CannotWrite("create", platform::GetLastError());
  report.Begun = true;
  report.StartMs = platform::GetTickCount64();
  return "";
}

std::string FailureExplanationLine(unsigned exit_code, const std::string& unhandled) {
  // The line standard error shows, when the run kept one.
  if (exit_code <= kExitLineFailed && !Run.Why.empty()) return Run.Why;
  std::string where = report.Script;
  if (Run.LineNumber > 0) where += ":" + std::to_string(Run.LineNumber);
  std::string text = exit_code == kExitUnhandled ? unhandled
                     : exit_code != kExitLineFailed
                         ? "interrupted by signal " + std::to_string(exit_code - 128)
                     : Run.ErrorText.empty() ? "the line failed"
                                             : Run.ErrorText;
  return where + ": error: " + text;
}

unsigned EndJunitReport(unsigned exit_code, const std::string& unhandled) {
  if (!report.Begun) return exit_code;
  report.Begun = false;
  writers::JunitResult result;
  result.Script = report.Script;
  result.Milliseconds = platform::GetTickCount64() - report.StartMs;
  result.Failed = exit_code != kExitDone;
  if (result.Failed) {
    result.Message = FailureExplanationLine(exit_code, unhandled);
    result.Kind = EndKind(exit_code);
    result.Text = FinalPicture();
  }
  const std::string failure = WriteJunitFile(writers::JunitXml(result));
  if (failure.empty()) return exit_code;
  WriteErrorOutput(failure + "\n");
  return exit_code == kExitDone ? kExitLineFailed : exit_code;
}
