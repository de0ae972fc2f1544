// Temporary files beside their target, and temporary folders, each in the
// registry of temporaries from its creation until it is removed or renamed.
#include "temp_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "messages.h"
#include "temp_registry.h"

namespace fs = std::filesystem;

namespace pack {

TempFile::~TempFile() {
    if (path_.empty()) return;
    InterruptsHeld held;
    std::error_code ignored;
    fs::remove(path_, ignored);
    UnregisterTemporary(slot_);
}

bool TempFile::CreateBeside(const std::string& target, const std::string& tag, std::string* error) {
    fs::path targetPath(target);
    fs::path folder = targetPath.parent_path();
    if (folder.empty()) folder = ".";
    std::error_code failure;
    if (!fs::is_directory(folder, failure)) {
        *error = "cannot write '" + target + "': '" + folder.string() +
                 (fs::exists(folder, failure) ? "' is not a folder" : "', its folder, does not exist");
        return false;
    }
    std::string pattern = (folder / ("." + targetPath.filename().string() + "." + tag + "-XXXXXX")).string();
    InterruptsHeld held;
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
    slot_ = RegisterTemporary(path_, false);
    return true;
}

bool TempFile::RenameTo(const std::string& target, std::string* error) {
    InterruptsHeld held;
    std::error_code failure;
    fs::rename(path_, target, failure);
    if (failure) {
        *error = "'" + target + "': " + failure.message();
        return false;
    }
    UnregisterTemporary(slot_);
    path_.clear();
    return true;
}

TempFolder::~TempFolder() {
    if (path_.empty()) return;
    InterruptsHeld held;
    std::error_code ignored;
    fs::remove_all(path_, ignored);
    UnregisterTemporary(slot_);
}

bool TempFolder::Create(std::string* error) {
    std::error_code failure;
    fs::path base = fs::temp_directory_path(failure);
    if (failure) base = "/tmp";
    std::string pattern = (base / "ruvexa-pack-XXXXXX").string();
    InterruptsHeld held;
    if (!mkdtemp(pattern.data())) {
        *error = "cannot create a temporary folder in '" + base.string() + "': " + std::strerror(errno);
        return false;
    }
    path_ = pattern;
    slot_ = RegisterTemporary(path_, true);
    return true;
}

}  // namespace pack
