// IsRejectedPackage, RecordRejectedRelease: Rejected.txt through the
// key=value writer.
#include "rejected_package.h"

#include "device_paths.h"
#include "key_value_formats.h"
#include "package_info.h"

namespace {

BOOL ReadStoredChecksum(LPCWSTR packageFile, DWORD* checksum) {
    HANDLE file =
        CreateFileW(packageFile, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return FALSE;
    BYTE tail[kPackageTailSize] = {};
    DWORD read = 0;
    const BOOL done =
        SetFilePointer(file, -static_cast<LONG>(kPackageTailSize), NULL, FILE_END) != INVALID_SET_FILE_POINTER &&
        ReadFile(file, tail, kPackageTailSize, &read, NULL) && read == kPackageTailSize;
    CloseHandle(file);
    if (!done) return FALSE;
    PackageInfo info = {};
    DecodePackageTail(tail, &info);
    *checksum = info.checksum;
    return TRUE;
}

// The start of a release's line: its checksum and package as Trial.flag
// names them, or "checksum=unknown" for a Trial.flag the installation did
// not write.
void PutRelease(KeyValueWriter& line, const TrialFlag& trial) {
    if (trial.checksum_known && trial.package_known) {
        line.Put(kTrialFlagFields[0].key, trial.checksum, KeyValueKind::kChecksum);
        line.Put(kTrialFlagFields[1].key, trial.package);
    } else {
        line.Put(kTrialFlagFields[0].key, "unknown");
    }
}

}  // namespace

BOOL IsRejectedPackage(LPCWSTR packageFile, DWORD* checksum) {
    // Rejected.txt first: on a device that never rolled back, the package
    // is not opened here at all.
    if (!KeyValueFileHoldsKey(kRejectedFile, kTrialFlagFields[0].key) || !ReadStoredChecksum(packageFile, checksum)) {
        return FALSE;
    }
    KeyValueWriter named;
    named.Put(kTrialFlagFields[0].key, *checksum, KeyValueKind::kChecksum);
    return named.FoundIn(kRejectedFile, true);
}

BOOL RecordRejectedRelease(const TrialFlag& trial, BOOL* recorded) {
    *recorded = FALSE;
    KeyValueWriter release;
    PutRelease(release, trial);
    if (release.FoundIn(kRejectedFile, false)) return TRUE;
    KeyValueWriter line;
    PutRelease(line, trial);
    line.Put("tick", GetTickCount(), KeyValueKind::kDecimal).EndLine();
    if (!line.AppendFlushed(kRejectedFile)) return FALSE;
    *recorded = TRUE;
    return TRUE;
}
