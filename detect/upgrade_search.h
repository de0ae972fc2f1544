// The upgrade request flags and the search for the upgrade package.
#pragma once

#include <windows.h>

#include "upgrade_attempt.h"

// Puts one line of text in the screen's status line. The search runs below
// the screen, so its caller hands it the way to show its progress.
typedef void (*ShowStatusLine)(LPCWSTR text);

// 1 when an upgrade was requested and its package found, 0 when no upgrade
// is to be done. `attempt` is filled as far as the search got: its source,
// and its package and section files once found. Shows
// "Finding upgrade file..." through `showStatus` once a request is seen.
// Blocks the calling thread with 1-second waits while it waits for the
// source folder.
int CheckUpgrade(ShowStatusLine showStatus, UpgradeAttempt* attempt);

// 1 when `pattern` matches: `out` (if not null) then holds the pattern's
// folder part followed by the first match's name. 0 when nothing matches or
// the full path would not fit in `outCapacity` units; `out` is then untouched.
int FindUpgradeFile(LPCWSTR pattern, LPWSTR out, size_t outCapacity, int retry);
