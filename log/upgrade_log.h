// The upgrade log: the debug lines of a boot that finds an upgrade request
// (or rolls back), appended to \NandFlash\Merrow\Upgrade.log after a header
// line with the boot's date, its source and its package; after a USB
// attempt also to Upgrade.log beside the package. Every line of a boot is
// kept in memory from its start; a boot that never begins the log writes
// nothing. Writing the log never changes the boot's course: a log that
// cannot be written is given up for the rest of the boot.
#pragma once

#include <windows.h>

// LogLine and LogText hand on each text exactly as the debug output got it.
void KeepLogText(LPCWSTR text);

// Where the log goes: the device's log and the one before it, and the names
// of the two beside a USB package. The caller's table of device paths has
// them; the log itself knows no path.
struct UpgradeLogFiles {
    LPCWSTR device_log;
    LPCWSTR older_device_log;
    LPCWSTR name;
    LPCWSTR older_name;
};

// The boot holds a request from `source` ("remote", "USB", "rollback"):
// its lines, those before included, go to `files` from now on.
void BeginUpgradeLog(const UpgradeLogFiles& files, LPCWSTR source);
// The package the boot found, named in the header by its file name.
void NameUpgradePackage(LPCWSTR path);

// The code a failed attempt shows on screen, as a line of the log files
// only: "=== Upgrade result: code=[Err40] ===".
void KeepResultCode(LPCWSTR code);

// At a stage's end: the lines kept since the last flush appended to the
// device's log, the header first when the boot has written none yet, and
// flushed to the flash. A boot's first write finds a log past its limit
// renamed to Upgrade.log.1 (replacing an older one) and begins a new one.
void FlushUpgradeLog();

// At the end of a USB attempt: the header and all the boot's lines appended
// to Upgrade.log in `folder`, once per boot; a log there past its limit is
// renamed to Upgrade.log.1 first, as on the device, so the disk's two logs
// stay bounded too.
void CopyUpgradeLogTo(LPCWSTR folder);
