// The screen as text: what a snapshot holds, and the picture of a failure.
#ifndef KLAVRUN_WRITERS_SCREEN_TEXT_H_
#define KLAVRUN_WRITERS_SCREEN_TEXT_H_

#include <string>
#include <vector>

namespace writers {

/// `rows` rows of `row_bytes` bytes each from `cells`, one a line: each up
/// to its first NUL, without the blanks and control bytes (0x20 and below)
/// at its end, and ended by LF. The bytes are the console's (UTF-8 on Linux).
/// Each of `secrets` where it stands in the cells, a full row running on
/// into the next, shows as a '*' a byte: the screen keeps its layout.
std::string ScreenText(const char* cells, int rows, int row_bytes,
                       const std::vector<std::string>& secrets = {});

}  // namespace writers

#endif  // KLAVRUN_WRITERS_SCREEN_TEXT_H_
