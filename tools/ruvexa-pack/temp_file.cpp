// Temporary files beside their target, and temporary folders.
#include "temp_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "messages.h"

namespace fs = std::filesystem;

namespace pack {

TempFile::~TempFile() {
    if (!path_.empty()) std::remove(path_.c_str());
}

bool TempFile::CreateBeside(const std::string& target, const std::string& tag, std::string* error) {
    fs::path targetPath(target);
    fs::path folder = targetPath.parent_path();
    if (folder.empty()) folder = ".";
    std::string pattern = (folder / ("." + targetPath.filename().string() + "." + tag + "-XXXXXX")).string();
    int fd = mkstemp(pattern.data());
    if (fd < 0) {
        *error = "cannot create a file in '" + folder.string() + "' to write '" + target + "': " + std::strerror(errno);
        return false;
    }
    // mkstemp makes the file private; give it what a new file gets.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    path_ = pattern;
    return true;
}

bool TempFile::RenameTo(const std::string& target, std::string* error) {
    if (std::rename(path_.c_str(), target.c_str()) != 0) {
        *error = FileError(target, errno);
        return false;
    }
    path_.clear();
    return true;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
}

bool TempFolder::Create(std::string* error) {
    std::error_code failure;
    fs::path base = fs::temp_directory_path(failure);
    if (failure) base = "/tmp";
    std::string pattern = (base / "ruvexa-pack-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        *error = "cannot create a temporary folder in '" + base.string() + "': " + std::strerror(errno);
        return false;
    }
    path_ = pattern;
    return true;
}

}  // namespace pack
