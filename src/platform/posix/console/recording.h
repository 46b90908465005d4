// --record FILE: the console session written to FILE as an asciicast while
// the run goes, so that a run that is killed leaves a recording up to its
// last line.
#ifndef KLAVRUN_PLATFORM_POSIX_CONSOLE_RECORDING_H_
#define KLAVRUN_PLATFORM_POSIX_CONSOLE_RECORDING_H_

#include <cstddef>
#include <string>

namespace posix {

/// Creates path and writes the header, titled with the script's file name.
/// "" when the recording began, else the message saying why not.
std::string StartRecording(const std::string& path,
                           const std::string& script_name);

/// Bytes klavrun writes to its standard output. Nothing while not recording.
void RecordOutput(const char* data, std::size_t length);

/// Bytes typed into the console. Nothing while not recording.
void RecordInput(const char* data, std::size_t length);

/// From now on `secret` shows as `placeholder` in the recorded output.
void MaskInRecording(const std::string& secret, const std::string& placeholder);

/// A script line starts: its marker, and the recording so far goes to the
/// file.
void RecordLineStarted(int number, const std::string& line);

/// Writes out the rest and closes the file.
void EndRecording();

}  // namespace posix

#endif  // KLAVRUN_PLATFORM_POSIX_CONSOLE_RECORDING_H_
