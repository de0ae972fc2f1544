// A fresh host folder for one test's files, removed with everything in it
// (read-only files included) when the object goes; whole host files.
#pragma once

#include <string>

namespace testing_support {

class TempFolder {
public:
    // The folder's name in the system's temporary folder starts with `prefix`.
    explicit TempFolder(const char* prefix = "ruvexa-test-");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Root() const { return root_; }
    // Host path of `name`, relative to the folder with "/" separators.
    std::string Path(const std::string& name) const { return root_ + "/" + name; }

    // Whole files by relative name; parents are created for a write.
    void Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;
    // Whether the entry exists (a dangling link counts).
    bool Exists(const std::string& name) const;

private:
    std::string root_;
};

// Whole host files, by host path; parents are created for a write.
std::string ReadHostFile(const std::string& path);
void WriteHostFile(const std::string& path, const std::string& bytes);

}  // namespace testing_support
