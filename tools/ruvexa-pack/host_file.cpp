// Host file contents over POSIX file descriptors.
#include "host_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "messages.h"

namespace pack {

HostFile::~HostFile() {
    if (fd_ >= 0) close(fd_);
}

bool HostFile::OpenForReading(const std::string& path, std::string* error) {
    path_ = path;
    fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        *error = FileError(path, errno);
        return false;
    }
    struct stat st;
    if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = "'" + path + "' is not a regular file";
        return false;
    }
    return true;
}

bool HostFile::OpenForWriting(const std::string& path, bool exclusive, unsigned mode, std::string* error) {
    path_ = path;
    fd_ = open(path.c_str(), O_WRONLY | O_CLOEXEC | (exclusive ? O_CREAT | O_EXCL : O_TRUNC), mode);
    if (fd_ < 0) *error = FileError(path, errno);
    return fd_ >= 0;
}

bool HostFile::Close(std::string* error) {
    int fd = fd_;
    fd_ = -1;
    if (fd >= 0 && close(fd) != 0 && !failed_) {
        failed_ = true;
        errno_ = errno;
    }
    if (failed_) *error = LastError();
    return !failed_;
}

uint64_t HostFile::Size() const {
    struct stat st;
    return fstat(fd_, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

size_t HostFile::ReadAt(uint64_t offset, void* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        ssize_t got = pread(fd_, static_cast<char*>(buffer) + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            failed_ = true;
            errno_ = errno;
        }
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

size_t HostFile::Read(void* buffer, size_t count) {
    for (;;) {
        ssize_t got = read(fd_, buffer, count);
        if (got >= 0) return static_cast<size_t>(got);
        if (errno == EINTR) continue;
        failed_ = true;
        errno_ = errno;
        return 0;
    }
}

bool HostFile::WriteAll(const void* bytes, size_t count, std::string* error) {
    return WriteAt(UINT64_MAX, bytes, count, error);
}

// UINT64_MAX: at the current position.
bool HostFile::WriteAt(uint64_t offset, const void* bytes, size_t count, std::string* error) {
    const char* next = static_cast<const char*>(bytes);
    while (count > 0) {
        ssize_t written = offset == UINT64_MAX ? write(fd_, next, count) : pwrite(fd_, next, count, static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            failed_ = true;
            errno_ = written < 0 ? errno : EIO;
            *error = LastError();
            return false;
        }
        next += written;
        count -= static_cast<size_t>(written);
        if (offset != UINT64_MAX) offset += static_cast<uint64_t>(written);
    }
    return true;
}

bool HostFile::Sync(std::string* error) {
    if (fsync(fd_) == 0) return true;
    failed_ = true;
    errno_ = errno;
    *error = LastError();
    return false;
}

std::string HostFile::LastError() const {
    return FileError(path_, errno_ ? errno_ : EIO);
}

bool ReadSmallFile(const std::string& path, size_t limit, std::string* bytes, std::string* error) {
    HostFile file;
    if (!file.OpenForReading(path, error)) return false;
    bytes->assign(limit, '\0');
    bytes->resize(file.ReadAt(0, bytes->data(), limit));
    if (file.Failed()) *error = file.LastError();
    return !file.Failed();
}

bool WriteNewFile(const std::string& path, const void* bytes, size_t count, unsigned mode, std::string* error) {
    HostFile file;
    if (!file.OpenForWriting(path, true, mode, error)) return false;
    if (file.WriteAll(bytes, count, error) && file.Sync(error) && file.Close(error)) return true;
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    return false;
}

bool SameFile(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code failure;
    if (fs::exists(a, failure) && fs::exists(b, failure)) return fs::equivalent(a, b, failure);
    return fs::weakly_canonical(fs::absolute(a, failure), failure) ==
           fs::weakly_canonical(fs::absolute(b, failure), failure);
}

bool CheckPackageOutput(const std::string& output,
                        std::initializer_list<std::pair<const std::string&, const char*>> inputs,
                        std::string* error) {
    std::error_code ignored;
    if (std::filesystem::is_directory(output, ignored)) {
        *error = "'" + output + "' is a folder; -o names the package file to write";
        return false;
    }
    for (const auto& [input, option] : inputs) {
        if (!input.empty() && SameFile(input, output)) {
            *error = "'" + output + "' is both the output and the " + option +
                     " input: the package would overwrite what it is built from";
            return false;
        }
    }
    return true;
}

}  // namespace pack
