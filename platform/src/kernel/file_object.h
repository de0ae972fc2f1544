// The kernel object behind a file handle.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "handle.h"

namespace host {

class FileObject : public KernelObject {
public:
    FileObject(int fd, DWORD access, uint64_t shareToken, std::string volume)
        : fd_(fd), access_(access), shareToken_(shareToken), volume_(std::move(volume)) {}
    ~FileObject() override;
    FileObject(const FileObject&) = delete;
    FileObject& operator=(const FileObject&) = delete;

    BOOL Close() override;

    int Descriptor() const { return fd_; }
    bool CanRead() const { return access_ & GENERIC_READ; }
    bool CanWrite() const { return access_ & GENERIC_WRITE; }
    // The root folder the file was opened on ("" for one directly in the
    // root): its volume's capacity bounds the file's growth.
    const std::string& Volume() const { return volume_; }

private:
    int fd_;
    DWORD access_;
    uint64_t shareToken_;
    std::string volume_;
};

// The file behind `handle`; null with ERROR_INVALID_HANDLE when it is not
// an open file.
std::shared_ptr<FileObject> LookupFile(HANDLE handle);

}  // namespace host

namespace host {

// Writes all `size` bytes at the descriptor's position; `*written` counts
// what reached the file even on failure. Sets the last error on failure.
bool WriteAll(int fd, const void* data, size_t size, size_t* written);

// Reads up to `size` bytes, fewer only at the end of the file.
bool ReadUpTo(int fd, void* data, size_t size, size_t* read);

}  // namespace host
