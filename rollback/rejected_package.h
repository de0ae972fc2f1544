// Rejected.txt, the releases rolled back (its format is in
// key_value_formats.h): recorded by the rollback, and a found package
// checked against them by its stored checksum alone.
#pragma once

#include <windows.h>

#include "trial_flag.h"

// TRUE when the stored checksum of `packageFile` (the last value of its
// tail) is named in Rejected.txt ("checksum=XXXXXXXX ..."); `checksum` then
// holds it. FALSE when there is no Rejected.txt, the package cannot be read,
// or its checksum is not named. Reads only; the package is not verified
// here.
BOOL IsRejectedPackage(LPCWSTR packageFile, DWORD* checksum);

// The release `trial` names added to Rejected.txt and flushed, with the tick
// count, unless a line names it already (a rollback cut short recorded it);
// *recorded tells whether a line was added. FALSE, with the platform's error
// left, when it cannot be.
BOOL RecordRejectedRelease(const TrialFlag& trial, BOOL* recorded);
