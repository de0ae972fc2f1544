// Pre-verification of an upgrade package. Each failure is logged where it is
// found, with the platform's last error taken right after the failing call.
#include "preverify.h"

#include "crc32.h"
#include "extract_codes.h"
#include "log_line.h"
#include "logged_files.h"
#include "package_constants.h"

namespace {

BOOL Reject(ExtractFailure failure, ExtractFailure* failureIndex) {
    *failureIndex = failure;
    return FALSE;
}

// Reads `size` bytes at the file position; a failing read is logged with
// `failedLine`, which takes the package's path and the error.
BOOL ReadPackagePart(HANDLE package, BYTE* part, DWORD size, LPCWSTR upgradeFile, LPCWSTR failedLine) {
    DWORD bytesRead = 0;
    if (ReadFile(package, part, size, &bytesRead, nullptr)) return TRUE;
    DWORD error = GetLastError();
    LogLine(failedLine, upgradeFile, error);
    return FALSE;
}

// Compared byte by byte, as stored, so no host byte order is involved.
bool StartsWith(const BYTE (&head)[kPackageHeadSize], const BYTE (&signature)[4]) {
    for (DWORD i = 0; i < sizeof(signature); ++i) {
        if (head[i] != signature[i]) return false;
    }
    return true;
}

// A full package or a delta package.
bool HasPackageSignature(const BYTE (&head)[kPackageHeadSize]) {
    return StartsWith(head, kPackageSignatureBytes) || StartsWith(head, kDeltaPackageSignatureBytes);
}

}  // namespace

BOOL PreVerifyPackage(LPCWSTR upgradeFile, HANDLE* package, PackageInfo* info, DWORD* crc,
                      ExtractFailure* failureIndex) {
    *info = PackageInfo{};

    *package = CreateFileLogged(upgradeFile, GENERIC_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    if (*package == INVALID_HANDLE_VALUE) return Reject(ExtractFailure::kOpenPackage, failureIndex);

    // A short read is not a failure by itself: the bytes not delivered stay
    // zero and the checks below reject what is missing (a file of fewer than
    // 4 bytes fails the signature, one of fewer than 16 the tail seek).
    BYTE head[kPackageHeadSize] = {};
    if (!ReadPackagePart(*package, head, kPackageHeadSize, upgradeFile,
                         L"ExtractThreadProc(): !!! Failed to read header=[%s], error=[%ld]")) {
        return Reject(ExtractFailure::kReadHead, failureIndex);
    }
    DecodePackageHead(head, info);

    if (!HasPackageSignature(head)) {
        LogLine(L"ExtractThreadProc(): !!! Invalid file signature=[%lX]", info->signature);
        return Reject(ExtractFailure::kBadSignature, failureIndex);
    }

    Crc32Init(crc);
    Crc32Update(crc, head, kPackageHeadSize);

    // The tail is found from the end before any size in the file is trusted.
    if (SetFilePointer(*package, -static_cast<LONG>(kPackageTailSize), nullptr, FILE_END) ==
        INVALID_SET_FILE_POINTER) {
        LogLine(L"ExtractThreadProc(): !!! Failed to point tail");
        return Reject(ExtractFailure::kPointTail, failureIndex);
    }

    BYTE tail[kPackageTailSize] = {};
    if (!ReadPackagePart(*package, tail, kPackageTailSize, upgradeFile,
                         L"ExtractThreadProc(): !!! Failed to read tail=[%s], error=[%ld]")) {
        return Reject(ExtractFailure::kReadTail, failureIndex);
    }
    DecodePackageTail(tail, info);

    if (SetFilePointer(*package, kExeSectionOffset, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
        LogLine(L"ExtractThreadProc(): !!! Failed to point exe");
        return Reject(ExtractFailure::kPointExe, failureIndex);
    }

    // Sizes add with 32-bit wrap-around; a wrapped sum that matches passes
    // here, and the copy of the oversized section then fails on a short read.
    DWORD sectionsTotal = info->exe_size + info->images_size + info->fonts_size;
    if (info->data_size != sectionsTotal) {
        LogLine(L"ExtractThreadProc(): !!! Wrong data size, head=[%ld], tail=[%ld]", info->data_size, sectionsTotal);
        return Reject(ExtractFailure::kWrongDataSize, failureIndex);
    }

    DWORD fileSize = GetFileSize(*package, nullptr);
    DWORD expectedSize = info->data_size + kPackageFrameSize;
    if (fileSize != expectedSize) {
        LogLine(L"ExtractThreadProc(): !!! Wrong file size, actual=[%ld], expected=[%ld]", fileSize, expectedSize);
        return Reject(ExtractFailure::kWrongFileSize, failureIndex);
    }

    LogLine(L"ExtractThreadProc(): pre-verification ok");
    return TRUE;
}
