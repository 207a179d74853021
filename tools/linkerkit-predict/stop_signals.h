// SIGINT and SIGTERM: the road notes them and ends the run in order; a
// worker ends at once, with the program it waits for.
#pragma once

#include <sys/types.h>

namespace linkerkit {

// The stop signal received, 0 while none came.
int StopSignal();

// The road's handlers: a stop signal is noted, and the loops act on it. A
// waiting poll or read returns at once.
void NoteStopSignals();

// A worker's handlers: a stop signal ends the worker, with the program it
// waits for and the programs' temporary files.
void EndOnStopSignals();

// Waits for a program the worker started; a stop signal ends it too.
// Returns its exit status, or 128 + the signal that ended it.
int WaitForProgram(pid_t child);

}  // namespace linkerkit
