// libFuzzer target for UnZipFile: the input is the archive's bytes, written
// to a file of a temporary device and unpacked into a folder there. Besides
// the sanitizers' findings (crashes, memory errors, leaks), an input fails
// when anything outside the output folder changed, or when a file handle
// stayed open.
#include <stdlib.h>
#include <sys/stat.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <tuple>

#include "ruvexa_host.h"
#include "zip_extractor.h"

namespace fs = std::filesystem;

namespace {

constexpr wchar_t kArchive[] = L"\\NandFlash\\Work\\AppImages.zi";
constexpr wchar_t kOutput[] = L"\\NandFlash\\Merrow\\Images_";
constexpr char kOutputRelative[] = "NandFlash/Merrow/Images_";

// What is known of one entry of the device folder: type and mode, and for a
// file its size and last change, which any write, truncation or chmod
// alters. A folder's own times change with what the extraction does in the
// output folder, so only its existence and mode count.
using EntryState = std::tuple<unsigned, size_t, int64_t, int64_t>;
using Snapshot = std::map<std::string, EntryState>;

class FuzzDevice {
public:
    FuzzDevice() {
        std::string pattern = (fs::temp_directory_path() / "ruvexa-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        root_ = pattern;
        host::SetDeviceRoot(root_);
        host::SetLogSink([](std::string_view) {});
        // Neighbours that an escaping entry could overwrite or join.
        fs::create_directories(root_ + "/NandFlash/Work");
        fs::create_directories(root_ + "/NandFlash/Merrow/Images");
        std::ofstream(root_ + "/NandFlash/Merrow/Images/back.bmp") << "installed";
        std::ofstream(root_ + "/NandFlash/Merrow/Orvane3.exe") << "installed";
        fs::create_directories(root_ + "/Storage Card");
    }

    const std::string& Root() const { return root_; }

    void WriteArchive(const uint8_t* data, size_t size) const {
        std::ofstream out(root_ + "/NandFlash/Work/AppImages.zi", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    Snapshot Take() const {
        Snapshot snapshot;
        const fs::path output = fs::path(root_) / kOutputRelative;
        for (auto it = fs::recursive_directory_iterator(root_); it != fs::recursive_directory_iterator(); ++it) {
            if (it->path() == output) {
                it.disable_recursion_pending();
                continue;
            }
            struct stat st;
            if (lstat(it->path().c_str(), &st) != 0) continue;
            EntryState state(st.st_mode, 0, 0, 0);
            if (!S_ISDIR(st.st_mode)) {
                state = EntryState(st.st_mode, static_cast<size_t>(st.st_size),
                                   static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                                   static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec);
            }
            snapshot[fs::relative(it->path(), root_).string()] = state;
        }
        return snapshot;
    }

    // Read-only files and folders become writable first.
    void RemoveOutput() const {
        const fs::path output = fs::path(root_) / kOutputRelative;
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(output, ec); !ec && it != fs::recursive_directory_iterator();
             ++it) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
        fs::remove_all(output, ec);
    }

private:
    std::string root_;
};

int OpenDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

void ReportChanges(const Snapshot& before, const Snapshot& after) {
    for (const auto& [path, state] : after) {
        auto found = before.find(path);
        if (found == before.end()) {
            std::fprintf(stderr, "unzip_fuzz: written outside the output folder: %s\n", path.c_str());
        } else if (found->second != state) {
            std::fprintf(stderr, "unzip_fuzz: changed outside the output folder: %s\n", path.c_str());
        }
    }
    for (const auto& [path, state] : before) {
        if (!after.count(path)) std::fprintf(stderr, "unzip_fuzz: removed outside the output folder: %s\n", path.c_str());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const FuzzDevice device;
    device.WriteArchive(data, size);
    const Snapshot before = device.Take();
    const int descriptors = OpenDescriptors();

    UnZipFile(kArchive, kOutput);

    const Snapshot after = device.Take();
    if (after != before) {
        ReportChanges(before, after);
        std::abort();
    }
    if (OpenDescriptors() != descriptors) {
        std::fprintf(stderr, "unzip_fuzz: a file stayed open\n");
        std::abort();
    }
    device.RemoveOutput();
    return 0;
}
