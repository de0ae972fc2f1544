// Keeping the replaced version at an upgrade with rollback on: the installed
// Orvane3.exe, Images and Font are moved into the folder Previous beside them
// instead of deleted, and the new version starts its trial.
//
// A redo after a power cut must tell old files from new ones, so before the
// first move the installation writes and flushes the marker
// \NandFlash\Merrow\Previous.mark: the lines "exe=B", "images=B", "font=B"
// ("\r\n" after each, B 1 or 0), saying which of the three the old version
// had. Each move into Previous is one rename on the flash, so at a redo an
// item the old version had is old where it is installed while Previous lacks
// it, and new (or not yet there) once Previous holds it. A marker that is
// missing or not exactly so was never flushed, so nothing had moved: the
// redo starts afresh. The marker goes after Trial.flag is written and
// before the request is removed; a redo that finds no marker but a
// Trial.flag naming the same package finds the switch-over complete and
// keeps Previous as it is.
#pragma once

#include <windows.h>

#include "installation.h"

// The trial marker holds at most this many bytes.
constexpr DWORD kTrialMaxBytes = 2 * MAX_PATH;

// Shared with the rollback.
// The items of a marker text ("exe=B\r\nimages=B\r\nfont=B\r\n"); FALSE
// unless `text` is exactly one such text.
BOOL ParseItems(const char* text, bool (&items)[kItemCount]);
// The items a Trial.flag text names after its checksum and package lines;
// FALSE when it names none.
BOOL ParseTrialItems(const char* text, bool (&items)[kItemCount]);

// UI-free steps of the installation worker; each logs its own failure.

// At the installation's start: resumes a marker, or removes an earlier
// Previous and writes a new marker. FALSE, with the failure recorded, when
// Previous cannot be made ready.
BOOL PreparePrevious(Installer* installer);

// Takes the installed item out of the way of the new one: moved into
// Previous when it is the old version's and not yet kept, otherwise removed
// as without rollback. FALSE when the installed item is still there.
BOOL ClearInstalled(Installer* installer, PreviousItem item);

// After the switch-over: Trial.flag written and flushed (the package's
// stored checksum and its name), then the marker removed. FALSE, with the
// failure recorded, when the trial cannot start; the request then stays.
BOOL StartTrial(Installer* installer);
