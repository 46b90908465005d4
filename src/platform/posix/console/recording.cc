#include "platform/posix/console/recording.h"

#include <errno.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <memory>

#include "platform/posix/console/console.h"
#include "platform/posix/console/screen_model.h"
#include "platform/posix/console/session.h"
#include "platform/posix_file.h"
#include "platform/printable.h"
#include "writers/asciicast.h"
#include "writers/secret_mask.h"

namespace posix {
namespace {

// Between two line starts, output goes to the file in pieces of about this
// size, or at the next event a second after the last write, so that a run
// killed in a long wait loses little.
constexpr std::size_t kWriteAt = 64 * 1024;
constexpr std::uint64_t kWriteAfterMicros = 1000000;

struct RecordingState {
  std::unique_ptr<writers::Asciicast> cast;  // null while not recording
  int fd = -1;
  std::string path;
  std::uint64_t start_micros = 0;
  off_t written = 0;  // whole lines in the file
  std::uint64_t written_at = 0;
  writers::SecretMask secrets;  // kept out of the recorded output
};

RecordingState recording;

std::uint64_t MonotonicMicros() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return std::uint64_t(now.tv_sec) * 1000000 + std::uint64_t(now.tv_nsec) / 1000;
}

std::uint64_t Elapsed() { return MonotonicMicros() - recording.start_micros; }

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void Stop() {
  close(recording.fd);
  recording.fd = -1;
  recording.cast.reset();
}

// Writes out the text made so far; else the message saying why not.
std::string TryWriteOut() {
  std::string& text = recording.cast->Text();
  if (!WriteAll(recording.fd, text)) {
    std::string message = "klavrun: cannot write the recording " +
                          Printable(recording.path) + ": " + strerror(errno);
    // The file keeps its whole lines.
    int ignored = ftruncate(recording.fd, recording.written);
    (void)ignored;
    return message;
  }
  recording.written += static_cast<off_t>(text.size());
  recording.written_at = Elapsed();
  text.clear();
  return "";
}

// A recording that cannot be written is given up with one message; the
// run goes on.
void WriteOut() {
  std::string message = TryWriteOut();
  if (message.empty()) return;
  message += "\n";
  WriteStderr(message.data(), message.size());
  Stop();
}

void Stream(char kind, const char* data, std::size_t length) {
  if (!recording.cast) return;
  std::uint64_t now = Elapsed();
  recording.cast->Stream(kind, now, data, length);
  if (recording.cast->Text().size() >= kWriteAt ||
      now - recording.written_at >= kWriteAfterMicros)
    WriteOut();
}

std::string BaseName(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat first, second;
  return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace

std::string StartRecording(const std::string& path,
                           const std::string& script_name) {
  if (SameFile(path, script_name))
    return "klavrun: the recording " + Printable(path) + " would overwrite the script";
  std::string temporary, error;
  int fd = platform::CreateReplacement(path, &temporary, &error);
  if (fd < 0) return "klavrun: cannot create the recording " + Printable(path) + ": " + error;
  recording.fd = fd;
  recording.path = path;
  recording.start_micros = MonotonicMicros();
  recording.cast = std::make_unique<writers::Asciicast>(
      static_cast<std::int64_t>(time(nullptr)), Screen().columns(), Screen().rows(),
      BaseName(script_name));
  std::string message = TryWriteOut();
  // In its place from the start, so that a run that is killed leaves the
  // recording up to its last line.
  if (message.empty() && !platform::PutReplacement(temporary, path, &error))
    message = "klavrun: cannot create the recording " + Printable(path) + ": " + error;
  if (!message.empty()) {
    Stop();
    platform::DiscardReplacement(temporary);
  }
  return message;
}

void RecordOutput(const char* data, std::size_t length) {
  if (recording.secrets.Empty()) return Stream('o', data, length);
  const std::string masked = recording.secrets.Filter(data, length);
  Stream('o', masked.data(), masked.size());
}

void MaskInRecording(const std::string& secret, const std::string& placeholder) {
  if (recording.cast) recording.secrets.Add(secret, placeholder);
}

void RecordInput(const char* data, std::size_t length) {
  Stream('i', data, length);
}

void RecordLineStarted(int number, const std::string& line) {
  if (!recording.cast) return;
  recording.cast->Marker(Elapsed(),
                         "line " + std::to_string(number) + ": " + line);
  WriteOut();
}

void EndRecording() {
  if (!recording.cast) return;
  const std::string held = recording.secrets.Flush();
  Stream('o', held.data(), held.size());
  recording.cast->Finish(Elapsed());
  WriteOut();
  if (recording.cast) Stop();
}

}  // namespace posix
