// The security floor of a device with a trusted key: the security version of
// the last installed release that proved itself healthy. Signed packages
// below it are refused.
//
// The floor is kept in two records, Floor.A and Floor.B, each the text
// "sequence=S\r\nfloor=F\r\n" (decimal, nothing else). The valid record with
// the higher sequence number is the current one; a record that is missing,
// torn by a power cut or otherwise not exactly such a text is ignored, and
// without a valid record the floor is 0. A raise never rewrites the current
// record: it writes the other one with the next sequence number and flushes
// it, so a cut leaves either the old floor or the new one, never less.
//
// Between an upgrade with rollback on and the boot that finds Trial.flag
// gone, the new release's security version waits in Floor.next, the text
// "floor=F\r\n".
#pragma once

#include <windows.h>

// The current record's floor; 0 without a valid record.
DWORD ReadSecurityFloor();

// The floor raised to `version` when that is above it. TRUE when the floor is
// at least `version` afterwards (*raised tells whether a record was
// written); FALSE, with the platform's error left, when the record cannot be
// written.
BOOL RaiseSecurityFloor(DWORD version, BOOL* raised);

// Floor.next: written and flushed, read, removed (absent counts as removed).
BOOL KeepTrialSecurityVersion(DWORD version);
BOOL ReadTrialSecurityVersion(DWORD* version);
BOOL ForgetTrialSecurityVersion();
