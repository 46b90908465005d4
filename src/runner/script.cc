#include "runner/script.h"

#include <cstdint>

#include "platform/ascii.h"
#include "platform/platform.h"
#include "platform/printable.h"
#include "runner/errors.h"
#include "runner/explain.h"
#include "runner/globals.h"
#include "runner/main.h"
#include "runner/trace.h"

namespace {

const char kCtrlZ = 0x1a;
const char kCR = 0x0d;
const char kLF = 0x0a;
// A longer line fails instead of growing without bound (a script that is
// /dev/zero, say).
constexpr std::size_t kMaxLineBytes = std::size_t{64} << 20;

void CheckScriptStart();

// How many bytes come before the first CR, LF or Ctrl-Z of `p`.
std::size_t TextBeforeLineEnd(const char* p, std::size_t length) {
  return ascii::Scan(reinterpret_cast<const unsigned char*>(p), length,
                     [](std::uint64_t word) { return ascii::ControlBytes(word) == 0; },
                     [p](std::size_t i) { return p[i] != kCR && p[i] != kLF && p[i] != kCtrlZ; });
}

// Makes at least one unread byte available; false at the end of the file.
bool FillBuffer() {
  ScriptStream& f = Run.ScriptFile;
  if (f.Pos < f.Len) return true;
  if (f.AtEof || !f.IsOpen) return false;
  platform::DWORD got = 0;
  if (!platform::ReadFile(f.Handle, f.Buffer, sizeof f.Buffer, &got, nullptr)) {
    platform::DWORD code = platform::GetLastError();
    // A writer that went away ends the script like the end of a file.
    if (code != platform::ERROR_BROKEN_PIPE)
      RaiseInOutError(code, "cannot read " + Quoted(Run.ScriptName) + ": " + SystemErrorText(code));
    got = 0;
  }
  if (got > sizeof f.Buffer) got = 0;
  f.Pos = 0;
  f.Len = got;
  if (got == 0) f.AtEof = true;
  return got > 0;
}

// A byte-order mark stands only at the very start: UTF-8's is skipped,
// UTF-16's marks a script that cannot be read as bytes.
void CheckScriptStart() {
  ScriptStream& f = Run.ScriptFile;
  f.StartChecked = true;
  if (!FillBuffer()) return;
  // A mark split over two reads is not worth a second read: reads of a file
  // give whole blocks.
  const unsigned char* b = reinterpret_cast<const unsigned char*>(f.Buffer + f.Pos);
  std::size_t avail = f.Len - f.Pos;
  if (avail >= 3 && b[0] == 0xef && b[1] == 0xbb && b[2] == 0xbf)
    f.Pos += 3;
  else if (avail >= 2 && ((b[0] == 0xff && b[1] == 0xfe) || (b[0] == 0xfe && b[1] == 0xff)))
    f.Utf16 = true;
}

}  // namespace

void OpenScript(const std::string& path) {
  ScriptStream& f = Run.ScriptFile;
  platform::HANDLE h = platform::CreateFileA(
      path.c_str(), platform::GENERIC_READ, platform::FILE_SHARE_READ, nullptr,
      platform::OPEN_EXISTING, platform::FILE_ATTRIBUTE_NORMAL, 0);
  Run.ScriptName = path;
  if (h == platform::INVALID_HANDLE_VALUE) {
    const platform::DWORD code = platform::GetLastError();
    RaiseInOutError(code, CannotOpen(path, code));
  }
  f.Handle = h;
  f.IsOpen = true;
  f.AtEof = false;
  f.StartChecked = false;
  f.Utf16 = false;
  f.Pos = f.Len = 0;
}

void CloseScript() {
  ScriptStream& f = Run.ScriptFile;
  if (!f.IsOpen) return;
  platform::CloseHandle(f.Handle);
  f.IsOpen = false;
}

bool ScriptAtEnd() {
  if (!Run.ScriptFile.StartChecked) CheckScriptStart();
  if (!FillBuffer()) return true;
  const ScriptStream& f = Run.ScriptFile;
  return f.Buffer[f.Pos] == kCtrlZ;
}

std::string ReadScriptLine() {
  ++Run.LineNumber;
  ScriptStream& f = Run.ScriptFile;
  if (!f.StartChecked) CheckScriptStart();
  std::string& line = Run.LineAsWritten;
  line.clear();
  Run.LineTooLong = false;
  while (FillBuffer()) {
    const char* start = f.Buffer + f.Pos;
    std::size_t avail = f.Len - f.Pos;
    const std::size_t n = TextBeforeLineEnd(start, avail);
    if (line.size() + n > kMaxLineBytes) {
      // The rest of such a line is never read: the line fails.
      Run.LineTooLong = true;
      line.clear();
      f.Pos = f.Len;
      return std::string();
    }
    line.append(start, n);
    f.Pos += n;
    if (n == avail) continue;  // the line goes on in the next block
    if (start[n] == kCR) {
      ++f.Pos;
      if (FillBuffer() && f.Buffer[f.Pos] == kLF) ++f.Pos;
    } else if (start[n] == kLF) {
      ++f.Pos;
    }
    break;  // a Ctrl-Z stays unread, so the script stays at its end
  }
  if (OnLineStarted) OnLineStarted(Run.LineNumber, line);
  if (Run.Trace) TraceLine(Run.LineNumber, line);
  return NormaliseLine(line);
}

bool ScriptIsUtf16() {
  if (!Run.ScriptFile.StartChecked) CheckScriptStart();
  return Run.ScriptFile.Utf16;
}

std::string NormaliseLine(std::string line) {
  for (char& c : line) c = ascii::Lower(c);
  std::size_t begin = 0;
  std::size_t end = line.size();
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  while (begin < end && blank(line[begin])) ++begin;
  while (end > begin && blank(line[end - 1])) --end;
  // In place: a send may be a megabyte long.
  line.erase(end);
  line.erase(0, begin);
  return line;
}
