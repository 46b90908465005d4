// The console screen as the wait commands see it: the top 25 rows of 80
// cells, one byte each, copied row by row.
#ifndef KLAVRUN_RUNNER_SCREEN_H_
#define KLAVRUN_RUNNER_SCREEN_H_

#include <string>

constexpr int kScreenRows = 25;
constexpr int kScreenColumns = 80;

/// Cells the platform did not fill hold NUL.
struct ScreenImage {
  char Cells[kScreenRows][kScreenColumns];
};

/// Reads 80 cells of `row` from column 0 into `cells`, NUL where nothing
/// was delivered.
void ReadScreenRow(short row, char* cells);

/// Reads rows 0 to 24 in order: 25 platform calls.
void CaptureScreen(ScreenImage& screen);

/// True when some row, up to its first NUL, lower-cased (ASCII) and trimmed
/// of bytes 0x20 and below at both ends, holds `text` byte for byte. An
/// empty text is never found.
bool ScreenContains(const std::string& text, const ScreenImage& screen);

#endif  // KLAVRUN_RUNNER_SCREEN_H_
