// ReadFile, WriteFile, SetFilePointer, GetFileSize, FlushFileBuffers,
// SetEndOfFile.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "dry_file.h"
#include "error.h"
#include "file_object.h"
#include "fs_change.h"
#include "ruvexa_host.h"
#include "unflushed_data.h"
#include "volume_capacity.h"

namespace host {
namespace {

// A volume of a set capacity takes the file's growth to `newEnd` only
// while it has room; a refused write or extension changes nothing.
bool HasRoomToEnd(const FileObject& file, uint64_t newEnd) {
    uint64_t capacity = 0;
    if (!VolumeCapacity(file.Volume(), &capacity)) return true;
    struct stat st;
    if (fstat(file.Descriptor(), &st) != 0) return FailWithErrno(errno);
    return HasRoomToGrow(file.Volume(), static_cast<uint64_t>(st.st_size), newEnd);
}

}  // namespace

bool WriteAll(int fd, const void* data, size_t size, size_t* written) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    *written = 0;
    while (*written < size) {
        ssize_t n = write(fd, bytes + *written, size - *written);
        if (n < 0) {
            if (errno == EINTR) continue;
            return FailWithErrno(errno);
        }
        if (n == 0) return Fail(ERROR_DISK_FULL);
        *written += static_cast<size_t>(n);
    }
    return true;
}

bool ReadUpTo(int fd, void* data, size_t size, size_t* read) {
    auto* bytes = static_cast<unsigned char*>(data);
    *read = 0;
    while (*read < size) {
        ssize_t n = ::read(fd, bytes + *read, size - *read);
        if (n < 0) {
            if (errno == EINTR) continue;
            return FailWithErrno(errno);
        }
        if (n == 0) break;
        *read += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace host

// The device has no overlapped file I/O: lpOverlapped must be null.
extern "C" BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                                LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped) {
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
    if (host::ShouldFail(host::Op::ReadFile)) return FALSE;
    auto dry = host::LookupDryFile(hFile);
    auto file = dry ? nullptr : host::LookupFile(hFile);
    if (!dry && !file) return FALSE;
    if (lpOverlapped || (!lpBuffer && nNumberOfBytesToRead > 0)) {
        return host::Fail(ERROR_INVALID_PARAMETER);
    }
    if (dry) {
        DWORD read = 0;
        BOOL ok = dry->Read(lpBuffer, nNumberOfBytesToRead, &read);
        if (lpNumberOfBytesRead) *lpNumberOfBytesRead = read;
        return ok;
    }
    if (!file->CanRead()) return host::Fail(ERROR_ACCESS_DENIED);
    size_t read = 0;
    bool ok = host::ReadUpTo(file->Descriptor(), lpBuffer, nNumberOfBytesToRead, &read);
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = static_cast<DWORD>(read);
    return ok;
}

extern "C" BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                                 LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) {
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
    if (host::ShouldFail(host::Op::WriteFile)) return FALSE;
    auto dry = host::LookupDryFile(hFile);
    auto file = dry ? nullptr : host::LookupFile(hFile);
    if (!dry && !file) return FALSE;
    if (lpOverlapped || (!lpBuffer && nNumberOfBytesToWrite > 0)) {
        return host::Fail(ERROR_INVALID_PARAMETER);
    }
    if (dry) {
        DWORD written = 0;
        BOOL ok = dry->Write(nNumberOfBytesToWrite, &written);
        if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = written;
        return ok;
    }
    if (!file->CanWrite()) return host::Fail(ERROR_ACCESS_DENIED);
    if (nNumberOfBytesToWrite == 0) return TRUE;
    const off_t position = lseek(file->Descriptor(), 0, SEEK_CUR);
    if (position < 0) return host::FailWithErrno(errno);
    if (!host::HasRoomToEnd(*file, static_cast<uint64_t>(position) + nNumberOfBytesToWrite)) return FALSE;
    host::BeforeFileSystemChange();
    host::BeforeDataChange(file->Descriptor());
    size_t written = 0;
    bool ok = host::WriteAll(file->Descriptor(), lpBuffer, nNumberOfBytesToWrite, &written);
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = static_cast<DWORD>(written);
    return ok;
}

// The position moves only when the new one is valid. Success sets the last
// error to 0, so that a caller can tell a position of 0xFFFFFFFF from a
// failure, as the device documents.
extern "C" DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove,
                                       PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod) {
    if (host::ShouldFail(host::Op::SetFilePointer)) return INVALID_SET_FILE_POINTER;
    auto dry = host::LookupDryFile(hFile);
    auto file = dry ? nullptr : host::LookupFile(hFile);
    if (!dry && !file) return INVALID_SET_FILE_POINTER;
    int64_t distance = lDistanceToMove;
    if (lpDistanceToMoveHigh) {
        distance = static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*lpDistanceToMoveHigh)) << 32) |
                                        static_cast<uint32_t>(lDistanceToMove));
    }
    if (dry) return dry->SetPointer(distance, dwMoveMethod, lpDistanceToMoveHigh);
    const int fd = file->Descriptor();
    int64_t base = 0;
    if (dwMoveMethod == FILE_CURRENT) {
        base = lseek(fd, 0, SEEK_CUR);
    } else if (dwMoveMethod == FILE_END) {
        struct stat st;
        base = fstat(fd, &st) == 0 ? st.st_size : -1;
    } else if (dwMoveMethod != FILE_BEGIN) {
        host::Fail(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (base < 0) {
        host::FailWithErrno(errno);
        return INVALID_SET_FILE_POINTER;
    }
    int64_t position = base + distance;
    if (position < 0) {
        host::Fail(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    if (lseek(fd, position, SEEK_SET) < 0) {
        host::FailWithErrno(errno);
        return INVALID_SET_FILE_POINTER;
    }
    if (lpDistanceToMoveHigh) *lpDistanceToMoveHigh = static_cast<LONG>(position >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(position);
}

extern "C" DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
    if (host::ShouldFail(host::Op::GetFileSize)) return INVALID_FILE_SIZE;
    if (auto dry = host::LookupDryFile(hFile)) return dry->Size(lpFileSizeHigh);
    auto file = host::LookupFile(hFile);
    if (!file) return INVALID_FILE_SIZE;
    struct stat st;
    if (fstat(file->Descriptor(), &st) != 0) {
        host::FailWithErrno(errno);
        return INVALID_FILE_SIZE;
    }
    auto size = static_cast<uint64_t>(st.st_size);
    if (lpFileSizeHigh) *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
    // As with SetFilePointer, a size whose low part is 0xFFFFFFFF is told
    // from a failure by the last error.
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size);
}

extern "C" BOOL WINAPI FlushFileBuffers(HANDLE hFile) {
    if (host::ShouldFail(host::Op::FlushFileBuffers)) return FALSE;
    if (auto dry = host::LookupDryFile(hFile)) return dry->Flush();
    auto file = host::LookupFile(hFile);
    if (!file) return FALSE;
    if (!file->CanWrite()) return host::Fail(ERROR_ACCESS_DENIED);
    if (!host::SyncHostFileIfAsked(file->Descriptor())) return host::FailWithErrno(errno);
    host::AfterDataFlushed(file->Descriptor());
    return TRUE;
}

// The file ends at the position: cut there, or extended with zeros.
extern "C" BOOL WINAPI SetEndOfFile(HANDLE hFile) {
    auto file = host::LookupFile(hFile);
    if (!file) return FALSE;
    if (!file->CanWrite()) return host::Fail(ERROR_ACCESS_DENIED);
    const off_t position = lseek(file->Descriptor(), 0, SEEK_CUR);
    if (position < 0) return host::FailWithErrno(errno);
    if (!host::HasRoomToEnd(*file, static_cast<uint64_t>(position))) return FALSE;
    host::BeforeFileSystemChange();
    host::BeforeDataChange(file->Descriptor());
    if (ftruncate(file->Descriptor(), position) != 0) return host::FailWithErrno(errno);
    return TRUE;
}
