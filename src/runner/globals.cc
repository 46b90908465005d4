#include "runner/globals.h"

RunState Run;

void ResetRunState() { Run = RunState(); }
