// The asciicast (version 2) text of a console session: a header line, then
// one JSON array per event. Pure text; the Linux console's --record
// (platform/posix/console/recording.cc) writes it to a file.
#ifndef KLAVRUN_WRITERS_ASCIICAST_H_
#define KLAVRUN_WRITERS_ASCIICAST_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace writers {

/// Appends data as a quoted JSON string. Valid UTF-8 is kept; each invalid
/// sequence (its maximal valid start, or one byte) becomes U+FFFD; control
/// characters (C0, DEL, C1) and U+2028, U+2029 are escaped, so the line
/// stays one line for every JSON and JavaScript reader.
void AppendJsonString(const char* data, std::size_t length, std::string* out);

/// The length of data without a UTF-8 character cut short at its end: the
/// bytes after it may be completed by what comes next.
std::size_t WithoutCutCharacter(const char* data, std::size_t length);

/// Builds the recording as text: the owner takes Text() away from time to
/// time. Times are microseconds since the start and never go back.
class Asciicast {
 public:
  Asciicast(std::int64_t unix_seconds, int width, int height,
            const std::string& title);

  /// An "o" (output) or "i" (input) event. A UTF-8 character cut short at
  /// the end waits for the next event of the same kind, so a character
  /// split between two reads stays whole.
  void Stream(char kind, std::uint64_t micros, const char* data,
              std::size_t length);
  /// An "m" event: a chapter point named label.
  void Marker(std::uint64_t micros, const std::string& label);
  /// Adds what the streams still hold back.
  void Finish(std::uint64_t micros);

  std::string& Text() { return text_; }

 private:
  void Event(char kind, std::uint64_t micros, const char* data,
             std::size_t length);

  std::string text_;
  std::string held_output_;
  std::string held_input_;
  std::uint64_t last_micros_ = 0;
};

}  // namespace writers

#endif  // KLAVRUN_WRITERS_ASCIICAST_H_
