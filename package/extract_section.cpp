// Section copy through one 1 MiB heap buffer, checksummed on the way.
#include "extract_section.h"

#include "crc32.h"
#include "package_constants.h"

namespace {

bool IsOpenHandle(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

// Moves `chunk` bytes from the package to the output (if any) through
// `buffer`; a short transfer counts as a failure, since the section would be
// incomplete.
bool CopyChunk(HANDLE output, HANDLE package, BYTE* buffer, DWORD chunk, DWORD* crc, crypto_sign_state* signing) {
    DWORD bytesRead = 0;
    if (!ReadFile(package, buffer, chunk, &bytesRead, nullptr) || bytesRead != chunk) return false;
    if (output) {
        DWORD bytesWritten = 0;
        if (!WriteFile(output, buffer, chunk, &bytesWritten, nullptr) || bytesWritten != chunk) return false;
    }
    Crc32Update(crc, buffer, chunk);
    if (signing) crypto_sign_update(signing, buffer, chunk);
    return true;
}

}  // namespace

BOOL ExtractSection(HANDLE output, HANDLE package, DWORD count, DWORD* crc, crypto_sign_state* signing,
                    StageProgress* progress) {
    if (output == INVALID_HANDLE_VALUE || !IsOpenHandle(package)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }

    BYTE* buffer = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, kSectionBufferSize));
    if (buffer == nullptr) return FALSE;

    BOOL copied = TRUE;
    DWORD chunk = count < kSectionBufferSize ? count : kSectionBufferSize;
    while (count != 0) {
        if (!CopyChunk(output, package, buffer, chunk, crc, signing)) {
            copied = FALSE;
            break;
        }
        if (progress) progress->Advance(chunk);
        count -= chunk;
        if (count < chunk) chunk = count;
    }

    // LocalFree can reset the last error; the caller logs the failing call's.
    DWORD error = GetLastError();
    LocalFree(buffer);
    SetLastError(error);
    return copied;
}
