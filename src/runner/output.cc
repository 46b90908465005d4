#include "runner/output.h"

#include "platform/platform.h"
#include "runner/errors.h"
#include "runner/globals.h"

namespace {

struct Output {
  bool Known = false;  // handle and type looked up
  platform::HANDLE Handle = 0;
  bool Immediate = false;  // a console: every line goes out at once
  std::string Held;
};

Output out;

void WriteAll(const char* data, std::size_t size) {
  while (size > 0) {
    platform::DWORD written = 0;
    platform::DWORD chunk = size > 0x10000000 ? 0x10000000
                                              : static_cast<platform::DWORD>(size);
    if (!platform::WriteFile(out.Handle, data, chunk, &written, nullptr))
      RaiseInOutError(platform::GetLastError());
    if (written == 0 || written > chunk) RaiseInOutError(platform::ERROR_WRITE_FAULT);
    data += written;
    size -= written;
  }
}

void LookUpOutput() {
  if (out.Known) return;
  out.Known = true;
  out.Handle = platform::GetStdHandle(platform::STD_OUTPUT_HANDLE);
  out.Immediate = platform::GetFileType(out.Handle) == platform::FILE_TYPE_CHAR;
}

}  // namespace

void WriteOutput(const std::string& bytes) {
  LookUpOutput();
  out.Held += bytes;
  if (out.Immediate) FlushOutput();
}

void WriteReport(const std::string& bytes) {
  LookUpOutput();
  std::string report;
  report.swap(out.Held);
  report += bytes;
  if (report.empty()) return;
  try {
    WriteAll(report.data(), report.size());
  } catch (const RaisedError&) {
    WriteErrorOutput(report);
  }
}

void WriteOutputLine(const std::string& text) { WriteOutput(text + "\r\n"); }

void FlushOutput() {
  if (out.Held.empty()) return;
  std::string bytes;
  bytes.swap(out.Held);  // a failed write is not tried again at exit
  WriteAll(bytes.data(), bytes.size());
}

void WriteErrorOutput(const std::string& bytes) {
  platform::HANDLE err = platform::GetStdHandle(platform::STD_ERROR_HANDLE);
  platform::DWORD written = 0;
  platform::WriteFile(err, bytes.data(), static_cast<platform::DWORD>(bytes.size()), &written,
                      nullptr);
}

void ResetOutput() { out = Output(); }
