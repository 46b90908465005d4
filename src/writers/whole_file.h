// Files klavrun writes for the person who runs it, whole or not at all.
#ifndef KLAVRUN_WRITERS_WHOLE_FILE_H_
#define KLAVRUN_WRITERS_WHOLE_FILE_H_

#include <string>

namespace writers {

/// Writes `text` to `path`, replacing what is there, so that a reader finds
/// the old file or the whole new one: the text goes to a new file beside
/// `path` (named after it and the process), which is then renamed over it.
/// The new file is created, never opened: no file planted under its name,
/// a symbolic link included, is followed or written. On Linux it is
/// readable by its owner alone. False when any step fails; the new file is
/// then removed again.
bool WriteWholeFile(const std::string& path, const std::string& text);

}  // namespace writers

#endif  // KLAVRUN_WRITERS_WHOLE_FILE_H_
