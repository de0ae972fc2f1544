// Device path resolution below the device root: SetDeviceRoot, DeviceRoot,
// HostPathOf and the resolver the file operations share.
#include "path.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>
#include <vector>

#include "casefold.h"
#include "error.h"
#include "path_beneath_root.h"
#include "ruvexa_host.h"

namespace host {
namespace {

constexpr size_t kListingBufferSize = 32768;

std::mutex g_rootMutex;
std::string g_deviceRoot;

bool IsSeparator(wchar_t c) { return c == L'\\'; }

// FAT cannot store a name that ends in dots or spaces; Win32 drops them from
// every component, so "b.txt." names "b.txt". A name of nothing else stays
// as given, for the validity check to refuse ("." and "..", say).
std::wstring_view WithoutTrailingDotsAndSpaces(std::wstring_view name) {
    size_t length = name.size();
    while (length > 0 && (name[length - 1] == L'.' || name[length - 1] == L' ')) --length;
    return length > 0 ? name.substr(0, length) : name;
}

}  // namespace

std::vector<std::wstring_view> SplitComponents(std::wstring_view path) {
    std::vector<std::wstring_view> components;
    size_t start = 0;
    while (start < path.size()) {
        size_t end = start;
        while (end < path.size() && !IsSeparator(path[end])) ++end;
        // Doubled separators and a trailing one leave empty components,
        // which the device's file system ignores.
        if (end > start) components.push_back(WithoutTrailingDotsAndSpaces(path.substr(start, end - start)));
        start = end + 1;
    }
    return components;
}

namespace {

// The first entry of `folder` (in byte order, so that the choice is stable)
// whose name folds to the same text as `name`. `opened`, when not -1, is
// `folder` open for reading, and is closed here.
bool FindEntryIgnoringCase(const std::string& folder, std::wstring_view name, bool isDeviceRoot,
                           std::string* onDisk, struct stat* st, int opened = -1) {
    std::vector<std::string> names;
    const bool listed = opened >= 0 ? ListOpenHostFolder(opened, folder, isDeviceRoot, &names)
                                    : ListHostFolder(folder, isDeviceRoot, &names);
    if (!listed) return false;
    const std::string* best = nullptr;
    for (const auto& entry : names) {
        if (NamesEqualIgnoringCase(Utf8ToWide(entry), name) && (!best || entry < *best)) {
            best = &entry;
        }
    }
    if (!best || lstat((folder + "/" + *best).c_str(), st) != 0) return false;
    *onDisk = *best;
    return true;
}

// The on-disk name of `name` in `folder`: the exact spelling when it exists,
// else the first entry whose name folds to the same text.
bool FindEntry(const std::string& folder, std::wstring_view name, bool isDeviceRoot,
               std::string* onDisk, struct stat* st) {
    std::string exact = WideToUtf8(name);
    if (lstat((folder + "/" + exact).c_str(), st) == 0 &&
        (!isDeviceRoot || IsVolumeVisible(std::wstring(name)))) {
        *onDisk = exact;
        return true;
    }
    return FindEntryIgnoringCase(folder, name, isDeviceRoot, onDisk, st);
}

// The common case in a few system calls: the path exists as spelled, or its
// folder does and the last component is new or differs only in case. What
// the component walk would find then is exactly this. False when the walk
// must decide (a link, a missing or hidden folder, a folder of another case).
bool ResolveAsSpelled(const std::string& root, const std::vector<std::wstring_view>& components,
                      DevicePath* out) {
    if (!IsVolumeVisible(std::wstring(components[0]))) return false;
    std::string relative;
    size_t parentLength = 0;
    for (auto component : components) {
        parentLength = relative.size();
        if (!relative.empty()) relative += '/';
        relative += WideToUtf8(component);
    }
    const std::string parent = relative.substr(0, parentLength);
    const std::string leaf = relative.substr(parentLength == 0 ? 0 : parentLength + 1);
    const std::string parentHost = parent.empty() ? root : root + "/" + parent;
    struct stat st;
    std::string onDisk = leaf;
    bool exists = false;
    switch (StatBeneathDeviceRoot(relative, &st)) {
        case Lookup::Found: exists = true; break;
        case Lookup::Missing: {
            const int folder = parent.empty() ? -1 : OpenFolderBeneathDeviceRoot(parent);
            if (!parent.empty() && folder < 0) return false;
            exists = FindEntryIgnoringCase(parentHost, components.back(), parent.empty(), &onDisk, &st, folder);
            if (exists && S_ISLNK(st.st_mode)) return false;
            break;
        }
        case Lookup::Undecided: return false;
    }
    out->exists = exists;
    if (exists) out->st = st;
    if (components.size() > 1) out->volume = WideToUtf8(components[0]);
    out->parentHost = parentHost;
    out->leafGiven = leaf;
    out->host = out->parentHost + "/" + onDisk;
    return true;
}

}  // namespace

void SetDeviceRoot(const std::string& hostFolder) {
    {
        std::lock_guard<std::mutex> lock(g_rootMutex);
        // Absolute, so that a started program, which runs in its own folder,
        // sees the same host paths.
        std::error_code error;
        std::filesystem::path absolute = std::filesystem::absolute(hostFolder, error);
        g_deviceRoot = error ? hostFolder : absolute.lexically_normal().string();
        while (g_deviceRoot.size() > 1 && g_deviceRoot.back() == '/') g_deviceRoot.pop_back();
    }
    // Even under the same name: the folder may have been made anew.
    ForgetDeviceRootHandle();
}

const std::string& DeviceRoot() {
    std::lock_guard<std::mutex> lock(g_rootMutex);
    return g_deviceRoot;
}

bool IsValidComponent(std::wstring_view name, bool allowWildcards) {
    // Only dots and spaces: "." and "..", which climb, and what remains
    // empty once the trailing dots and spaces are gone.
    bool valid = name.find_first_not_of(L". ") != std::wstring_view::npos;
    for (wchar_t c : name) {
        // The characters the device's FAT names cannot hold; "/" also keeps
        // a name from reaching past its folder on the host.
        if (c < 0x20 || c == 0x7F || c == L'/' || c == L'<' || c == L'>' || c == L':' ||
            c == L'"' || c == L'|') {
            valid = false;
        }
        if (!allowWildcards && (c == L'*' || c == L'?')) valid = false;
    }
    if (!valid) SetLastError(ERROR_INVALID_NAME);
    return valid;
}

bool FitsDevicePath(LPCWSTR path) {
    size_t units = 0;
    for (const WCHAR* p = path; *p; ++p) units += static_cast<uint32_t>(*p) > 0xFFFF ? 2 : 1;
    if (units >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    return true;
}

bool ListHostFolder(const std::string& hostFolder, bool isDeviceRoot,
                    std::vector<std::string>* names) {
    const int folder = open(hostFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return folder >= 0 && ListOpenHostFolder(folder, hostFolder, isDeviceRoot, names);
}

bool ListOpenHostFolder(int folder, const std::string& hostFolder, bool isDeviceRoot,
                        std::vector<std::string>* names) {
    // getdents64 on a plain descriptor: opendir would also fstat the folder,
    // once more per listing, and the unzipper lists a folder for every file.
    names->clear();
    std::vector<char> buffer(kListingBufferSize);
    // A read that fails ends the listing with what it found, as readdir does.
    ssize_t filled;
    while ((filled = getdents64(folder, buffer.data(), buffer.size())) > 0) {
        for (ssize_t offset = 0; offset < filled;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(buffer.data() + offset);
            offset += entry->d_reclen;
            std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            unsigned char type = entry->d_type;
            if (type == DT_UNKNOWN) {
                struct stat st;
                if (lstat((hostFolder + "/" + name).c_str(), &st) != 0) continue;
                if (S_ISLNK(st.st_mode)) type = DT_LNK;
            }
            // The device has no links; one found here could lead out of the root.
            if (type == DT_LNK) continue;
            if (isDeviceRoot && !IsVolumeVisible(Utf8ToWide(name))) continue;
            names->push_back(std::move(name));
        }
    }
    close(folder);
    return true;
}

bool ResolveDevicePath(LPCWSTR path, DevicePath* out) {
    if (!path || !*path) return Fail(ERROR_PATH_NOT_FOUND);
    if (!FitsDevicePath(path)) return false;
    std::vector<std::wstring_view> components = SplitComponents(path);
    for (auto component : components) {
        if (!IsValidComponent(component, false)) return false;
    }
    std::string current = DeviceRoot();
    if (current.empty()) return Fail(ERROR_PATH_NOT_FOUND);

    *out = DevicePath{};
    out->trailingSeparator = IsSeparator(path[wcslen(path) - 1]);
    out->depth = components.size();
    out->host = current;
    out->parentHost = current;
    if (components.empty()) {
        out->exists = lstat(current.c_str(), &out->st) == 0;
        if (!out->exists) return Fail(ERROR_PATH_NOT_FOUND);
        return true;
    }
    if (ResolveAsSpelled(current, components, out)) return true;
    for (size_t i = 0; i < components.size(); ++i) {
        const bool last = i + 1 == components.size();
        std::string onDisk;
        struct stat st;
        if (!FindEntry(current, components[i], i == 0, &onDisk, &st)) {
            if (!last) return Fail(ERROR_PATH_NOT_FOUND);
            out->parentHost = current;
            out->leafGiven = WideToUtf8(components[i]);
            out->host = current + "/" + out->leafGiven;
            return true;
        }
        if (S_ISLNK(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
        if (!last && !S_ISDIR(st.st_mode)) return Fail(ERROR_PATH_NOT_FOUND);
        if (i == 0 && !last) out->volume = onDisk;
        out->parentHost = current;
        current += "/" + onDisk;
        if (last) {
            out->leafGiven = WideToUtf8(components[i]);
            out->host = current;
            out->exists = true;
            out->st = st;
        }
    }
    return true;
}

bool RefusesFileWithTrailingSeparator(const DevicePath& path, bool creating) {
    if (!path.trailingSeparator || path.depth == 0) return false;
    if (path.exists ? S_ISDIR(path.st.st_mode) : !creating) return false;
    SetLastError(ERROR_INVALID_NAME);
    return true;
}

bool HostPathOf(const std::wstring& devicePath, std::string* hostPath) {
    DevicePath resolved;
    if (!ResolveDevicePath(devicePath.c_str(), &resolved)) return false;
    *hostPath = resolved.host;
    return true;
}

}  // namespace host
