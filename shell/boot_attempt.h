// The upgrade attempt of this boot: the shell's one instance, which the
// search fills, the extraction completes and the installation reads; and
// the attempt's end.
#pragma once

#include <windows.h>

#include "upgrade_attempt.h"

UpgradeAttempt& BootAttempt();

// The end of an upgrade attempt, whatever its outcome: its lines, and the
// code of a failure when it has one, to the device's upgrade log and, from a
// USB disk, beside the package.
void EndUpgradeAttempt(LPCWSTR failureCode);
