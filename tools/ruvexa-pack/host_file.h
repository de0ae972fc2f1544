// The tool's one way to the contents of host files: an open file descriptor
// that closes itself. Names, folders and metadata go through std::filesystem;
// what the device's code reads and writes goes through the platform layer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

namespace pack {

class HostFile {
public:
    HostFile() = default;
    ~HostFile();
    HostFile(const HostFile&) = delete;
    HostFile& operator=(const HostFile&) = delete;

    // Opens an existing file for reading; refuses anything but a regular file.
    bool OpenForReading(const std::string& path, std::string* error);
    // Opens for writing: truncating an existing file, or making a new one
    // with `mode` that fails when the name is taken (`exclusive`).
    bool OpenForWriting(const std::string& path, bool exclusive, unsigned mode, std::string* error);
    // Closes the file, reporting a failure of the last writes.
    bool Close(std::string* error);

    const std::string& Path() const { return path_; }
    uint64_t Size() const;
    // Reads up to `count` bytes at `offset`; the count delivered, short only
    // at the end of the file or on a failure (then Failed() is true).
    size_t ReadAt(uint64_t offset, void* buffer, size_t count);
    // Reads on from the current position; 0 at the end or on a failure.
    size_t Read(void* buffer, size_t count);
    bool WriteAll(const void* bytes, size_t count, std::string* error);
    bool WriteAt(uint64_t offset, const void* bytes, size_t count, std::string* error);
    // Puts the data on disk, before a rename makes the file take its place.
    bool Sync(std::string* error);
    bool Failed() const { return failed_; }
    // "'PATH': reason" for the last failure.
    std::string LastError() const;

private:
    int fd_ = -1;
    int errno_ = 0;
    bool failed_ = false;
    std::string path_;
};

// A whole small file (a key, a signature), at most `limit` bytes read.
bool ReadSmallFile(const std::string& path, size_t limit, std::string* bytes, std::string* error);
// Writes a whole small file that must not exist yet, with `mode`, and puts
// it on disk; a half-written key is worse than none, so it is removed again.
bool WriteNewFile(const std::string& path, const void* bytes, size_t count, unsigned mode, std::string* error);

// Whether two paths name the same file: by device and inode when both
// exist (links, other spellings), else by the path the host resolves each to.
bool SameFile(const std::string& a, const std::string& b);

// The package a command writes: `output` may be no folder and none of the
// given inputs (a path and the option that named it; empty paths are not
// given); otherwise FALSE with the error to print.
bool CheckPackageOutput(const std::string& output,
                        std::initializer_list<std::pair<const std::string&, const char*>> inputs,
                        std::string* error);

}  // namespace pack
