// DryFile: ReadFile, WriteFile, SetFilePointer, GetFileSize,
// FlushFileBuffers, GetFileTime, SetFileTime and CloseHandle on a file of
// the dry volume.
#include "dry_file.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "error.h"
#include "filetime.h"

namespace host {
namespace {

// Dry files alive now: while there are none, no handle lookup is spent on
// them.
std::atomic<long> g_liveDryFiles{0};

// No host file has this device number, so no record shares its id with one.
constexpr dev_t kDryDevice = static_cast<dev_t>(-1);

bool CanRead(DWORD access) { return access & GENERIC_READ; }
bool CanWrite(DWORD access) { return access & GENERIC_WRITE; }

}  // namespace

FileId DryFileId(const DryRecord& record) { return FileId{kDryDevice, static_cast<ino_t>(record.id)}; }

DryFile::DryFile(std::shared_ptr<DryRecord> record, DWORD access, uint64_t shareToken, int hostFd)
    : record_(std::move(record)), access_(access), shareToken_(shareToken), hostFd_(hostFd) {
    ++g_liveDryFiles;
}

DryFile::~DryFile() {
    Close();
    --g_liveDryFiles;
}

BOOL DryFile::Close() {
    ReleaseOpen(shareToken_);
    shareToken_ = 0;
    if (hostFd_ >= 0) close(hostFd_);
    hostFd_ = -1;
    return TRUE;
}

BOOL DryFile::Read(void* buffer, DWORD size, DWORD* read) {
    *read = 0;
    if (!CanRead(access_)) return Fail(ERROR_ACCESS_DENIED);
    std::lock_guard<std::mutex> lock(DryVolumeMutex());
    if (size == 0 || position_ >= record_->size) return TRUE;
    // The bytes written to a dry file were never kept.
    if (hostFd_ < 0) return Fail(ERROR_NOT_SUPPORTED);
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (*read < size) {
        ssize_t n = pread(hostFd_, bytes + *read, size - *read, static_cast<off_t>(position_));
        if (n < 0) {
            if (errno == EINTR) continue;
            return FailWithErrno(errno);
        }
        if (n == 0) break;
        *read += static_cast<DWORD>(n);
        position_ += static_cast<uint64_t>(n);
    }
    return TRUE;
}

BOOL DryFile::Write(DWORD size, DWORD* written) {
    *written = 0;
    if (!CanWrite(access_)) return Fail(ERROR_ACCESS_DENIED);
    if (size == 0) return TRUE;
    std::lock_guard<std::mutex> lock(DryVolumeMutex());
    position_ += size;
    if (position_ > record_->size) record_->size = position_;
    record_->lastWrite = DryNow();
    *written = size;
    return TRUE;
}

DWORD DryFile::SetPointer(int64_t distance, DWORD moveMethod, LONG* distanceHigh) {
    std::lock_guard<std::mutex> lock(DryVolumeMutex());
    int64_t base = 0;
    if (moveMethod == FILE_CURRENT) {
        base = static_cast<int64_t>(position_);
    } else if (moveMethod == FILE_END) {
        base = static_cast<int64_t>(record_->size);
    } else if (moveMethod != FILE_BEGIN) {
        Fail(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    const int64_t position = base + distance;
    if (position < 0) {
        Fail(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    position_ = static_cast<uint64_t>(position);
    if (distanceHigh) *distanceHigh = static_cast<LONG>(position >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(position);
}

DWORD DryFile::Size(DWORD* sizeHigh) {
    std::lock_guard<std::mutex> lock(DryVolumeMutex());
    if (sizeHigh) *sizeHigh = static_cast<DWORD>(record_->size >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(record_->size);
}

BOOL DryFile::Flush() { return CanWrite(access_) ? TRUE : Fail(ERROR_ACCESS_DENIED); }

BOOL DryFile::GetTimes(FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
    if (!CanRead(access_)) return Fail(ERROR_ACCESS_DENIED);
    std::lock_guard<std::mutex> lock(DryVolumeMutex());
    if (creation) *creation = record_->creation;
    if (lastAccess) *lastAccess = record_->lastAccess;
    if (lastWrite) *lastWrite = record_->lastWrite;
    return TRUE;
}

// A zero FILETIME, like a null pointer, leaves that time unchanged.
BOOL DryFile::SetTimes(const FILETIME* creation, const FILETIME* lastAccess, const FILETIME* lastWrite) {
    if (!CanWrite(access_)) return Fail(ERROR_ACCESS_DENIED);
    auto given = [](const FILETIME* time) { return time && FileTimeValue(*time) != 0; };
    std::lock_guard<std::mutex> lock(DryVolumeMutex());
    if (given(creation)) record_->creation = *creation;
    if (given(lastAccess)) record_->lastAccess = *lastAccess;
    if (given(lastWrite)) record_->lastWrite = *lastWrite;
    return TRUE;
}

std::shared_ptr<DryFile> LookupDryFile(HANDLE handle) {
    if (g_liveDryFiles.load(std::memory_order_relaxed) == 0) return nullptr;
    return LookupHandleAs<DryFile>(handle);
}

}  // namespace host
