// SIGINT and SIGTERM end a run promptly, in a window or headless alike,
// with the shell's status for the signal (130, 143) and a line that says so.
#pragma once

#include <sys/types.h>

namespace host {

// Installs the handlers for this process. While `boot` is not 0 (a
// supervisor waiting for a boot's process), the signal is passed on to it.
void EndOnTerminationSignals();
void ForwardTerminationSignalsTo(pid_t boot);
// Holds the signals back while a boot's process is forked, until the
// supervisor knows it, and the boot has its own handlers.
void HoldTerminationSignals(bool hold);

}  // namespace host
