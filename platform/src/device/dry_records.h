// The records of the dry volume (platform/host/ruvexa_dry_volume.h): one per
// folder or file, held in their folder by folded name. Shared by the path
// functions (dry_volume.cpp) and the handles on files (dry_file.cpp).
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace host {

struct DryRecord;
// By the name folded as the device compares names, in UTF-8 (short names
// then need no memory of their own).
using DryFolderMap = std::map<std::string, std::shared_ptr<DryRecord>>;

struct DryRecord {
    std::string name;  // as spelled when created or last moved, UTF-8
    uint64_t id = 0;   // stands for the inode in the share-mode bookkeeping
    DWORD attributes = 0;  // the settable bits; folders are told by `folder`
    uint64_t size = 0;
    FILETIME creation{};
    FILETIME lastAccess{};
    FILETIME lastWrite{};
    // A file added from the host is read from this host file in place;
    // empty for everything the dry run itself created.
    std::string hostSource;
    // Null for a file.
    std::unique_ptr<DryFolderMap> folder;

    bool IsFolder() const { return folder != nullptr; }
};

// Guards every record and the volume itself.
std::mutex& DryVolumeMutex();

// The current time, as new and written files take it.
FILETIME DryNow();

}  // namespace host
