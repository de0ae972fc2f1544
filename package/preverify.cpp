// Pre-verification of an upgrade package. Each failure is logged where it is
// found, with the platform's last error taken right after the failing call.
#include "preverify.h"

#include "crc32.h"
#include "extract_codes.h"
#include "logged_files.h"
#include "package_constants.h"

namespace {

BOOL Reject(ExtractFailure failure, ExtractFailure* failureIndex) {
    *failureIndex = failure;
    return FALSE;
}

// Reads `size` bytes at the file position; a failing read is logged with
// `failedLine`, which takes the package's path, the error and the tick count.
BOOL ReadPackagePart(HANDLE package, BYTE* part, DWORD size, LPCWSTR upgradeFile, LPCWSTR failedLine) {
    DWORD bytesRead = 0;
    if (ReadFile(package, part, size, &bytesRead, nullptr)) return TRUE;
    DWORD error = GetLastError();
    NKDbgPrintfW(failedLine, upgradeFile, error, GetTickCount());
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
                         L"ExtractThreadProc(): !!! Failed to read header=[%s], error=[%ld], at=[%ld]\r\n")) {
        return Reject(ExtractFailure::kReadHead, failureIndex);
    }
    DecodePackageHead(head, info);

    if (!HasPackageSignature(head)) {
        NKDbgPrintfW(L"ExtractThreadProc(): !!! Invalid file signature=[%lX], at=[%ld]\r\n",
                     info->signature, GetTickCount());
        return Reject(ExtractFailure::kBadSignature, failureIndex);
    }

    Crc32Init(crc);
    Crc32Update(crc, head, kPackageHeadSize);

    // The tail is found from the end before any size in the file is trusted.
    if (SetFilePointer(*package, -static_cast<LONG>(kPackageTailSize), nullptr, FILE_END) ==
        INVALID_SET_FILE_POINTER) {
        NKDbgPrintfW(L"ExtractThreadProc(): !!! Failed to point tail, at=[%ld]\r\n", GetTickCount());
        return Reject(ExtractFailure::kPointTail, failureIndex);
    }

    BYTE tail[kPackageTailSize] = {};
    if (!ReadPackagePart(*package, tail, kPackageTailSize, upgradeFile,
                         L"ExtractThreadProc(): !!! Failed to read tail=[%s], error=[%ld], at=[%ld]\r\n")) {
        return Reject(ExtractFailure::kReadTail, failureIndex);
    }
    DecodePackageTail(tail, info);

    if (SetFilePointer(*package, kExeSectionOffset, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
        NKDbgPrintfW(L"ExtractThreadProc(): !!! Failed to point exe, at=[%ld]\r\n", GetTickCount());
        return Reject(ExtractFailure::kPointExe, failureIndex);
    }

    // Sizes add with 32-bit wrap-around; a wrapped sum that matches passes
    // here, and the copy of the oversized section then fails on a short read.
    DWORD sectionsTotal = info->exe_size + info->images_size + info->fonts_size;
    if (info->data_size != sectionsTotal) {
        NKDbgPrintfW(L"ExtractThreadProc(): !!! Wrong data size, head=[%ld], tail=[%ld], at=[%ld]\r\n",
                     info->data_size, sectionsTotal, GetTickCount());
        return Reject(ExtractFailure::kWrongDataSize, failureIndex);
    }

    DWORD fileSize = GetFileSize(*package, nullptr);
    DWORD expectedSize = info->data_size + kPackageFrameSize;
    if (fileSize != expectedSize) {
        NKDbgPrintfW(L"ExtractThreadProc(): !!! Wrong file size, actual=[%ld], expected=[%ld], at=[%ld]\r\n",
                     fileSize, expectedSize, GetTickCount());
        return Reject(ExtractFailure::kWrongFileSize, failureIndex);
    }

    NKDbgPrintfW(L"ExtractThreadProc(): pre-verification ok, at=[%ld]\r\n", GetTickCount());
    return TRUE;
}
