// Trial.flag, the marker of a new version that has not yet declared itself
// healthy: the installation writes it, the application deletes it, the
// launcher counts starts while it is there and the rollback ends it. Its
// text is "checksum=XXXXXXXX\r\npackage=NAME\r\n" (the package's stored
// checksum and its file name) followed by the items the old version had, as
// in Previous.mark.
#pragma once

#include <windows.h>

#include "kept_items.h"
#include "key_value_file.h"

// What a Trial.flag names, read once.
struct TrialFlag {
    bool checksum_known;  // its first line is the checksum line
    DWORD checksum;
    bool package_known;  // and its second the package line
    char package[kKeyValueTextMaxBytes + 1];  // the name's bytes, as written
    bool items_known;  // and the item lines follow, with nothing after
    bool old_items[kItemCount];
};

// Written and flushed for the package `packageFile` (its name only is kept);
// FALSE, with the platform's error left, when it cannot be.
BOOL WriteTrialFlag(DWORD packageChecksum, LPCWSTR packageFile, const bool (&oldItems)[kItemCount]);

// Read into `trial`; FALSE, with the platform's error left, when it is
// there but cannot be read, or is not there.
BOOL ReadTrialFlag(TrialFlag* trial);

BOOL TrialFlagExists();
BOOL DeleteTrialFlag();
