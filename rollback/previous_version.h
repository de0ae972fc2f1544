// Keeping the replaced version at an upgrade with rollback on: the installed
// Orvane3.exe, Images and Font are moved into the folder Previous beside them
// instead of deleted, and the new version starts its trial.
//
// A redo after a power cut must tell old files from new ones, so before the
// first move the installation writes and flushes the marker
// \NandFlash\Merrow\Previous.mark (previous_mark.h), saying which of the
// three the old version had. Each move into Previous is one rename on the
// flash, so at a redo an item the old version had is old where it is
// installed while Previous lacks it, and new (or not yet there) once
// Previous holds it. A marker that is missing or not exactly so was never
// flushed, so nothing had moved: the redo starts afresh. The marker goes
// after Trial.flag is written and before the request is removed; a redo
// that finds no marker but a Trial.flag naming the same package finds the
// switch-over complete and keeps Previous as it is.
//
// UI-free steps of the installation worker; each logs its own failure, and
// the installation records it.
#pragma once

#include <windows.h>

#include <optional>

#include "kept_items.h"

// At the installation's start: resumes a marker, or removes an earlier
// Previous and writes a new marker; `oldItems` then tells which items the
// old version had. FALSE when Previous cannot be made ready.
// `packageChecksum` is the package's stored checksum.
BOOL PreparePrevious(DWORD packageChecksum, bool (&oldItems)[kItemCount]);

// Takes the installed item out of the way of the new one: moved into
// Previous when `keepPrevious`, it is the old version's and not yet kept,
// otherwise removed as without rollback. FALSE when the installed item is
// still there.
BOOL ClearInstalled(bool keepPrevious, const bool (&oldItems)[kItemCount], PreviousItem item);

// After the switch-over: Floor.next written on a device with a trusted key
// (a `securityVersion` given), Trial.flag written and flushed (the
// package's stored checksum and its name), then the marker removed. FALSE
// when the trial cannot start; the request then stays.
BOOL StartTrial(DWORD packageChecksum, LPCWSTR packageFile, std::optional<DWORD> securityVersion,
                const bool (&oldItems)[kItemCount]);
