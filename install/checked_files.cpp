// MeasureFile, CopyCheckedFile: one pass over a file through a 64 KiB heap
// buffer, CRC-32 by the package's own CRC-32.
#include "checked_files.h"

#include <strsafe.h>

#include "crc32.h"
#include "file_handle.h"
#include "unzipper.h"

namespace {

constexpr DWORD kCopyBufferSize = 64 * 1024;

class Buffer {
public:
    Buffer() : bytes_(static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, kCopyBufferSize))) {}
    ~Buffer() {
        if (bytes_) LocalFree(bytes_);
    }
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    BYTE* get() const { return bytes_; }

private:
    BYTE* bytes_;
};

// Reads `source` to its end, writing each piece to `output` when one is
// given. The read side's failure is kMismatch, the write side's kWriteFailed.
CopyResult Pass(HANDLE source, HANDLE output, BYTE* buffer, DWORD* size, DWORD* crc) {
    DWORD sum = 0;
    Crc32Init(&sum);
    unsigned long long total = 0;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(source, buffer, kCopyBufferSize, &read, nullptr)) return CopyResult::kMismatch;
        if (read == 0) break;
        DWORD written = 0;
        if (output && (!WriteFile(output, buffer, read, &written, nullptr) || written != read)) {
            return CopyResult::kWriteFailed;
        }
        Crc32Update(&sum, buffer, read);
        total += read;
        if (total > 0xFFFFFFFFull) return CopyResult::kMismatch;
    }
    *size = static_cast<DWORD>(total);
    Crc32Final(&sum);
    *crc = sum;
    return CopyResult::kCopied;
}

// The folder that holds `path`, created with its parents.
bool EnsureParent(LPCWSTR path) {
    WCHAR parent[MAX_PATH];
    if (FAILED(StringCchCopyW(parent, MAX_PATH, path))) return false;
    WCHAR* separator = wcsrchr(parent, L'\\');
    if (!separator || separator == parent) return true;
    *separator = L'\0';
    return EnsureFolder(parent);
}

}  // namespace

bool MeasureFile(LPCWSTR path, DWORD* size, DWORD* crc) {
    Buffer buffer;
    FileHandle file(OpenForReading(path));
    return buffer.get() && file.IsOpen() && Pass(file.get(), nullptr, buffer.get(), size, crc) == CopyResult::kCopied;
}

bool FileMatches(LPCWSTR path, DWORD size, DWORD crc) {
    DWORD foundSize = 0;
    DWORD foundCrc = 0;
    return MeasureFile(path, &foundSize, &foundCrc) && foundSize == size && foundCrc == crc;
}

CopyResult CopyCheckedFile(LPCWSTR from, LPCWSTR to, DWORD size, DWORD crc) {
    Buffer buffer;
    if (!buffer.get()) return CopyResult::kWriteFailed;
    FileHandle source(OpenForReading(from));
    if (!source.IsOpen()) return CopyResult::kMismatch;
    if (!EnsureParent(to)) return CopyResult::kWriteFailed;
    CopyResult result = CopyResult::kWriteFailed;
    {
        FileHandle output(CreateFileW(to, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!output.IsOpen()) return CopyResult::kWriteFailed;
        DWORD copiedSize = 0;
        DWORD copiedCrc = 0;
        result = Pass(source.get(), output.get(), buffer.get(), &copiedSize, &copiedCrc);
        if (result == CopyResult::kCopied && (copiedSize != size || copiedCrc != crc)) result = CopyResult::kMismatch;
        FILETIME created, accessed, written;
        if (result == CopyResult::kCopied &&
            (!GetFileTime(source.get(), &created, &accessed, &written) ||
             !SetFileTime(output.get(), &created, &accessed, &written) || !FlushFileBuffers(output.get()) ||
             !output.Close())) {
            result = CopyResult::kWriteFailed;
        }
    }
    if (result == CopyResult::kCopied) {
        // Read-only comes last: the copy's times and data are set by then.
        const DWORD attributes = GetFileAttributesW(from);
        if (attributes != INVALID_FILE_ATTRIBUTES && attributes != FILE_ATTRIBUTE_NORMAL &&
            !SetFileAttributesW(to, attributes)) {
            result = CopyResult::kWriteFailed;
        }
    }
    if (result != CopyResult::kCopied) DeleteFileW(to);
    return result;
}
