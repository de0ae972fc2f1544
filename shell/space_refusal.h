// The refusal of an upgrade the device has no room for: before anything is
// written, the room the upgrade needs on each volume (upgrade_space.h) is
// held to what the volume has free.
#pragma once

#include <windows.h>

#include "upgrade_attempt.h"

// TRUE when a volume has less room than the attempt's upgrade needs there;
// the first such volume is logged with its need and its free bytes. A
// package that cannot be sized, a volume that cannot be asked, or an
// upgrade an earlier boot began to write, refuses nothing here.
BOOL IsShortOfSpace(const UpgradeAttempt& attempt);
