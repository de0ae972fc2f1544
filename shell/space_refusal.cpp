// IsShortOfSpace: the estimate of the upgrade's peak on each volume against
// the room the volume reports.
#include "space_refusal.h"

#include "device_paths.h"
#include "disk_space.h"
#include "file_helpers.h"
#include "log_line.h"
#include "temporary_folder.h"
#include "upgrade_space.h"

namespace {

// The device's log takes 32-bit numbers; a size beyond them shows as the
// largest, which only a volume of more than 4 GiB free can report.
DWORD Logged(ULONGLONG bytes) { return bytes > 0xFFFFFFFF ? 0xFFFFFFFF : static_cast<DWORD>(bytes); }

// An earlier boot was cut after it began to write this upgrade: a section
// file, a temporary folder or the marker of a keeping is there. The
// installation may be half done, and only finishing it makes the device
// whole again, so such a redo is never refused: the room its first run
// found still holds, less what the upgrade log has grown since.
bool IsUpgradeUnderWay(const UpgradeAttempt& attempt) {
    LPCWSTR traces[] = {attempt.exe_file, attempt.images_file, attempt.fonts_file, kPreviousMark, kTemporaryExe};
    for (LPCWSTR trace : traces) {
        if (FileExists(trace)) return true;
    }
    WCHAR temporary[MAX_PATH];
    for (LPCWSTR installed : {kInstalledImages, kInstalledFont}) {
        if (ComposeTemporaryFolder(temporary, installed) && FileExists(temporary)) return true;
    }
    return false;
}

}  // namespace

BOOL IsShortOfSpace(const UpgradeAttempt& attempt) {
    if (IsUpgradeUnderWay(attempt)) return FALSE;
    // Rollback is on whenever its setting file is there, readable or not.
    const bool keepPrevious = FileExists(kRollbackSetting) != 0;
    SpaceEstimate estimate;
    if (!EstimateUpgradeSpace(attempt, keepPrevious, &estimate)) return FALSE;
    for (DWORD slot = 0; slot < estimate.count; ++slot) {
        const VolumeNeed& volume = estimate.volumes[slot];
        if (volume.need == 0) continue;
        ULONGLONG freeBytes = 0;
        if (!VolumeFreeBytes(volume.volume, &freeBytes)) {
            LogLine(L"StartExtraction(): !!! Failed to get free space, volume=[%s], error=[%ld]", volume.volume,
                    GetLastError());
            continue;
        }
        if (volume.need > freeBytes) {
            LogLine(L"StartExtraction(): !!! Not enough space, volume=[%s], need=[%lu], free=[%lu]", volume.volume,
                    Logged(volume.need), Logged(freeBytes));
            return TRUE;
        }
    }
    return FALSE;
}
