// IsRejectedPackage: a found package against the releases rolled back.
#include "rejected_package.h"

#include <string.h>

#include "device_paths.h"
#include "package_info.h"
#include "small_text_file.h"

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

}  // namespace

BOOL IsRejectedPackage(LPCWSTR packageFile, DWORD* checksum) {
    // Rejected.txt first: on a device that never rolled back, the package
    // is not opened here at all.
    if (!FileHoldsText(kRejectedFile, "checksum=") || !ReadStoredChecksum(packageFile, checksum)) return FALSE;
    // "checksum=" and eight upper-case hex digits, as Trial.flag has it.
    char named[] = "checksum=00000000 ";
    for (int digit = 0; digit < 8; ++digit)
        named[9 + digit] = "0123456789ABCDEF"[(*checksum >> (28 - 4 * digit)) & 0xF];
    return FileHoldsText(kRejectedFile, named);
}
