// The tool's temporaries. A temporary file beside a target file is removed
// unless it is renamed onto the target: a failed or interrupted run leaves
// neither a half-written package nor stray archives behind.
#pragma once

#include <string>

namespace pack {

class TempFile {
public:
    TempFile() = default;
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    // Creates an empty file named ".<target name>.<tag>-XXXXXX" in the
    // target's folder, with the permissions a new file gets there.
    bool CreateBeside(const std::string& target, const std::string& tag, std::string* error);
    const std::string& Path() const { return path_; }
    // Renames the file onto the target; it is then no longer removed.
    bool RenameTo(const std::string& target, std::string* error);

private:
    std::string path_;
    int slot_ = -1;  // in the registry of temporaries
};

// A private folder under the host's temporary folder ($TMPDIR), removed with
// everything in it when the object goes.
class TempFolder {
public:
    TempFolder() = default;
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool Create(std::string* error);
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    int slot_ = -1;  // in the registry of temporaries
};

}  // namespace pack
