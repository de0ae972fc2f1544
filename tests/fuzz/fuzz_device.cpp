#include "fuzz_device.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "ruvexa_host.h"

namespace fs = std::filesystem;

namespace fuzzing {

FuzzDevice::FuzzDevice(std::string writable) : writable_(std::move(writable)) {
    host::SetDeviceRoot(Root());
    host::SetLogSink([](std::string_view) {});
    // Neighbours that an escaping write could overwrite or join.
    fs::create_directories(folder_.Path(writable_));
    fs::create_directories(folder_.Path("NandFlash/Work"));
    fs::create_directories(folder_.Path("Storage Card"));
    folder_.Write("NandFlash/Merrow/Images/back.bmp", "installed");
    folder_.Write("NandFlash/Merrow/Orvane3.exe", "installed");
}

void FuzzDevice::WriteFile(const std::string& relative, const unsigned char* data, size_t size) const {
    folder_.Write(relative, std::string(reinterpret_cast<const char*>(data), size));
}

Snapshot FuzzDevice::Take() const {
    Snapshot snapshot;
    const fs::path writable = folder_.Path(writable_);
    for (auto it = fs::recursive_directory_iterator(Root()); it != fs::recursive_directory_iterator(); ++it) {
        if (it->path() == writable) {
            it.disable_recursion_pending();
            continue;
        }
        struct stat st;
        if (lstat(it->path().c_str(), &st) != 0) continue;
        EntryState state(st.st_mode, 0, 0, 0);
        if (!S_ISDIR(st.st_mode)) {
            state = EntryState(st.st_mode, static_cast<size_t>(st.st_size),
                               static_cast<long long>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                               static_cast<long long>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec);
        }
        snapshot[fs::relative(it->path(), Root()).string()] = state;
    }
    return snapshot;
}

void FuzzDevice::ClearWritable() const {
    const fs::path writable = folder_.Path(writable_);
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(writable, ec); !ec && it != fs::recursive_directory_iterator();
         ++it) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    for (const auto& entry : fs::directory_iterator(writable, ec)) fs::remove_all(entry.path(), ec);
}

int OpenDescriptors() {
    int count = 0;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        // The layer holds the device root as an O_PATH descriptor, opened at
        // its first lookup and again after the root changes: no open file.
        std::ifstream info("/proc/self/fdinfo/" + entry.path().filename().string());
        std::string field;
        unsigned long flags = 0;
        while (info >> field && field != "flags:") {
        }
        info >> std::oct >> flags;
        if (!(flags & O_PATH)) ++count;
    }
    return count;
}

void CheckUnchanged(const char* target, const Snapshot& before, const Snapshot& after, int descriptorsBefore) {
    bool changed = false;
    for (const auto& [path, state] : after) {
        auto found = before.find(path);
        if (found == before.end() || found->second != state) {
            std::fprintf(stderr, "%s: written outside its folder: %s\n", target, path.c_str());
            changed = true;
        }
    }
    for (const auto& [path, state] : before) {
        if (!after.count(path)) {
            std::fprintf(stderr, "%s: removed outside its folder: %s\n", target, path.c_str());
            changed = true;
        }
    }
    if (OpenDescriptors() != descriptorsBefore) {
        std::fprintf(stderr, "%s: a file stayed open\n", target);
        changed = true;
    }
    if (changed) std::abort();
}

}  // namespace fuzzing
