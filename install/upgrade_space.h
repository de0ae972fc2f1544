// The room an upgrade needs, worked out before anything is written: on each
// volume it writes to, the most it takes at any one moment beyond what is
// there now.
//
// The count follows the stages' own order. The extraction writes the
// sections beside the package (replacing an earlier run's section files).
// The installation unpacks each archive into a temporary folder beside the
// installed one while the installed one still stands, then removes the
// installed one (rollback on: moves it into Previous, where it stays) and
// deletes the archive; the executable is copied onto the flash once the old
// one is out of the way. An archive's unpacked size comes from its central
// directory, read in place in the package; a delta's from the manifests it
// carries, which list every file of the new folders and the new
// executable's size (a patched one is written beside the installed one). Every file counts in whole
// allocation units and every folder one unit (disk_space.h), and each
// volume the boot writes its upgrade log to gets a few units for it; the
// rollback's small records a unit each. So the estimate is the true peak
// rounded up to clusters, plus at most kUpgradeLogAllowance per volume.
#pragma once

#include <windows.h>

#include "disk_space.h"
#include "upgrade_attempt.h"

// The growth of the upgrade log (and of its copy beside a USB package) in
// one boot, allowed for on each volume that holds one.
constexpr ULONGLONG kUpgradeLogAllowance = 4 * kAllocationUnit;

// A package writes to the flash and to the package's own volume; a few
// more slots leave room for a layout where the sections go elsewhere.
constexpr DWORD kMaxUpgradeVolumes = 4;

struct VolumeNeed {
    WCHAR volume[MAX_PATH];  // as VolumeOfPath gives it: "\NandFlash"
    ULONGLONG need;          // the peak beyond what the volume holds now
};

struct SpaceEstimate {
    DWORD count;
    VolumeNeed volumes[kMaxUpgradeVolumes];
};

// The need of `attempt` on each volume it writes to; `keepPrevious` when
// rollback is on. FALSE when the package cannot be read well enough to
// tell: the extraction then refuses it with its own code.
BOOL EstimateUpgradeSpace(const UpgradeAttempt& attempt, bool keepPrevious, SpaceEstimate* estimate);
