// UnZipFile, the zip extractor's entry point: a whole archive unpacked into
// a folder. Not to be confused with Unzipper::UnzipFile (small z), which
// extracts the one current entry; both names stand as such in the log.
#pragma once

#include <windows.h>

// Unpacks every entry of the archive at `zipPath` below `folder`, creating
// the folder and its missing parents. Returns 1 when every entry was written
// (or the archive has none), 0 on any failure, which is logged; whatever was
// written before a failure stays on disk.
int UnZipFile(LPCWSTR zipPath, LPCWSTR folder);
