// settle N: waits until the console's screen has not changed for N ms.
#ifndef KLAVRUN_RUNNER_SETTLE_H_
#define KLAVRUN_RUNNER_SETTLE_H_

#include <string>

/// Succeeds once the text of the screen (any cell of any row; not colours,
/// not the cursor) has stayed the same for N milliseconds in a row, counted
/// from the start of the line. Fails with "Error in settle command" for a
/// bad N, and with "Timeout in settle" when wait_timeout passes first.
void HandleSettle(std::string argument);

#endif  // KLAVRUN_RUNNER_SETTLE_H_
