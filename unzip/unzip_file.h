// UnZipFile, the zip extractor's entry point: a whole archive unpacked into
// a folder. Not to be confused with Unzipper::UnzipFile (small z), which
// extracts the one current entry; both names stand as such in the log.
#pragma once

#include <windows.h>

#include "stage_progress.h"

// Unpacks every entry of the archive at `zipPath` below `folder`, creating
// the folder and its missing parents. Returns 1 when every entry was written
// (or the archive has none), 0 on any failure, which is logged; whatever was
// written before a failure stays on disk. Each entry written advances
// `progress` when one is given.
int UnZipFile(LPCWSTR zipPath, LPCWSTR folder, StageProgress* progress = NULL);

// The number of entries the archive at `zipPath` says it holds; 0 when it
// cannot be opened. Nothing is logged.
DWORD CountZipEntries(LPCWSTR zipPath);
