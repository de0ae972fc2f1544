// The dry volume's records and the file functions on device paths over
// them: UseDryVolume, DropDryVolume, AddHostFileToDryVolume, the listing and
// counts, and what CreateFileW, CreateDirectoryW, RemoveDirectoryW,
// DeleteFileW, MoveFileW, Get/SetFileAttributesW and FindFirstFileW do while
// it is in use. Each follows its host counterpart in platform/src/kernel/
// check for check, so that a dry run fails where a real one would.
#include "dry_volume.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <functional>

#include "attributes.h"
#include "casefold.h"
#include "dry_file.h"
#include "dry_records.h"
#include "error.h"
#include "filetime.h"
#include "path.h"
#include "ruvexa_dry_volume.h"
#include "ruvexa_host.h"
#include "share.h"

namespace host {
namespace {

// The host's limit on one name (NAME_MAX), in UTF-8 bytes: a real run
// fails there too, however short the name is in device units.
constexpr size_t kHostNameLimit = 255;

std::atomic<bool> g_inUse{false};
// Guarded by DryVolumeMutex().
std::shared_ptr<DryRecord> g_root;
uint64_t g_nextId = 1;

std::string FoldedKey(std::wstring_view name) { return WideToUtf8(FoldedName(name)); }

bool HasWildcards(std::wstring_view pattern) { return pattern.find_first_of(L"*?") != std::wstring_view::npos; }

std::shared_ptr<DryRecord> NewRecord(std::string name, bool folder) {
    auto record = std::make_shared<DryRecord>();
    record->name = std::move(name);
    record->id = g_nextId++;
    record->creation = record->lastAccess = record->lastWrite = DryNow();
    if (folder) record->folder = std::make_unique<DryFolderMap>();
    return record;
}

// The attribute word GetFileAttributesW and the find functions report.
DWORD ReportedAttributes(const DryRecord& record) {
    const DWORD attributes = record.attributes | (record.IsFolder() ? FILE_ATTRIBUTE_DIRECTORY : 0);
    return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

bool IsReadOnly(const DryRecord& record) { return record.attributes & FILE_ATTRIBUTE_READONLY; }

// A device path resolved among the records, as ResolveDevicePath resolves it
// among host files.
struct DryPath {
    std::vector<DryRecord*> folders;    // from the root to the one holding the last component
    std::shared_ptr<DryRecord> parent;  // that folder; null for the root itself
    std::shared_ptr<DryRecord> record;  // what the path names; null when missing
    std::string key;                    // the last component, folded
    std::string leafGiven;              // the last component as the caller spelled it
    std::string volume;                 // the first component, folded, when below it
    size_t depth = 0;
    bool trailingSeparator = false;
};

// The caller holds DryVolumeMutex().
bool Resolve(LPCWSTR path, DryPath* out) {
    if (!path || !*path) return Fail(ERROR_PATH_NOT_FOUND);
    if (!FitsDevicePath(path)) return false;
    const std::vector<std::wstring_view> components = SplitComponents(path);
    for (auto component : components) {
        if (!IsValidComponent(component, false)) return false;
    }
    if (!g_root) return Fail(ERROR_PATH_NOT_FOUND);
    *out = DryPath{};
    out->trailingSeparator = path[wcslen(path) - 1] == L'\\';
    out->depth = components.size();
    if (components.empty()) {
        out->record = g_root;
        return true;
    }
    std::shared_ptr<DryRecord> current = g_root;
    for (size_t i = 0; i < components.size(); ++i) {
        std::string key = FoldedKey(components[i]);
        auto found = current->folder->find(key);
        std::shared_ptr<DryRecord> record = found == current->folder->end() ? nullptr : found->second;
        out->folders.push_back(current.get());
        if (i + 1 == components.size()) {
            out->parent = current;
            out->record = record;
            out->key = std::move(key);
            out->leafGiven = WideToUtf8(components[i]);
            return true;
        }
        if (!record || !record->IsFolder()) return Fail(ERROR_PATH_NOT_FOUND);
        if (i == 0) out->volume = key;
        current = record;
    }
    return true;
}

// As RefusesFileWithTrailingSeparator: a path ending in "\" names no file.
bool RefusesFileWithTrailingSeparator(const DryPath& path, bool creating = false) {
    if (!path.trailingSeparator || path.depth == 0) return false;
    if (path.record ? path.record->IsFolder() : !creating) return false;
    SetLastError(ERROR_INVALID_NAME);
    return true;
}

bool FitsHostName(const std::string& name) {
    return name.size() <= kHostNameLimit || Fail(ERROR_FILENAME_EXCED_RANGE);
}

HANDLE FailOpen(DWORD code) {
    SetLastError(code);
    return INVALID_HANDLE_VALUE;
}

HANDLE OpenRecord(const std::shared_ptr<DryRecord>& record, DWORD access, DWORD shareMode) {
    const uint64_t token = RegisterOpen(DryFileId(*record), access, shareMode);
    if (token == 0) return INVALID_HANDLE_VALUE;
    int hostFd = -1;
    if (!record->hostSource.empty()) {
        hostFd = open(record->hostSource.c_str(), O_RDONLY | O_CLOEXEC);
        if (hostFd < 0) {
            const int error = errno;
            ReleaseOpen(token);
            return FailOpen(ErrorFromErrno(error));
        }
    }
    return RegisterHandle(std::make_shared<DryFile>(record, access, token, hostFd));
}

HANDLE OpenExisting(const std::shared_ptr<DryRecord>& record, DWORD access, DWORD shareMode, DWORD disposition,
                    DWORD attributes) {
    const bool truncates = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    if (record->IsFolder()) return FailOpen(ERROR_ACCESS_DENIED);
    if (IsReadOnly(*record) && ((access & GENERIC_WRITE) || truncates)) return FailOpen(ERROR_ACCESS_DENIED);
    if (disposition == CREATE_ALWAYS &&
        (record->attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM) & ~attributes) != 0) {
        return FailOpen(ERROR_ACCESS_DENIED);
    }
    // Written to, a file added from the host becomes a dry one: the host
    // file is never touched.
    if ((access & GENERIC_WRITE) || truncates) record->hostSource.clear();
    HANDLE handle = OpenRecord(record, access, shareMode);
    if (handle == INVALID_HANDLE_VALUE) return handle;
    if (truncates) {
        record->size = 0;
        record->lastWrite = DryNow();
        if (disposition == CREATE_ALWAYS) {
            record->attributes = (attributes & kSettableAttributeBits) | FILE_ATTRIBUTE_ARCHIVE;
        }
    }
    SetLastError(disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

// Runs `visit` on every record below `folder` in the order of their folded
// names, with the device path of each.
void Walk(const DryRecord& folder, const std::string& path,
          const std::function<void(const DryRecord&, const std::string&)>& visit) {
    for (const auto& [key, record] : *folder.folder) {
        const std::string recordPath = path + "\\" + record->name;
        visit(*record, recordPath);
        if (record->IsFolder()) Walk(*record, recordPath, visit);
    }
}

}  // namespace

std::mutex& DryVolumeMutex() {
    static std::mutex mutex;
    return mutex;
}

FILETIME DryNow() {
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    return FileTimeFromTimespec(now);
}

bool DryVolumeActive() { return g_inUse.load(std::memory_order_relaxed); }

void UseDryVolume() {
    std::lock_guard<std::mutex> lock(DryVolumeMutex());
    g_root = NewRecord("", true);
    g_inUse = true;
}

void DropDryVolume() {
    std::lock_guard<std::mutex> lock(DryVolumeMutex());
    g_inUse = false;
    g_root.reset();
}

bool IsDryVolumeInUse() { return DryVolumeActive(); }

bool AddHostFileToDryVolume(const std::wstring& devicePath, const std::string& hostFile, std::string* error) {
    const int fd = open(hostFile.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = "cannot read '" + hostFile + "': " + (fd < 0 ? std::strerror(errno) : "not a file");
        if (fd >= 0) close(fd);
        return false;
    }
    close(fd);
    std::lock_guard<std::mutex> lock(DryVolumeMutex());
    if (!g_root) {
        *error = "no dry volume is in use";
        return false;
    }
    std::shared_ptr<DryRecord> folder = g_root;
    const std::vector<std::wstring_view> components = SplitComponents(devicePath);
    if (components.empty() || !FitsDevicePath(devicePath.c_str())) {
        *error = "the device path '" + WideToUtf8(devicePath) + "' names no file";
        return false;
    }
    for (size_t i = 0; i < components.size(); ++i) {
        const bool last = i + 1 == components.size();
        std::shared_ptr<DryRecord>& slot = (*folder->folder)[FoldedKey(components[i])];
        if (!slot) slot = NewRecord(WideToUtf8(components[i]), !last);
        if (last == slot->IsFolder()) {
            *error = "the device path '" + WideToUtf8(devicePath) + "' is taken by a folder or a file";
            return false;
        }
        folder = slot;
    }
    folder->hostSource = hostFile;
    folder->size = static_cast<uint64_t>(st.st_size);
    folder->attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
    folder->creation = folder->lastWrite = FileTimeFromTimespec(st.st_mtim);
    folder->lastAccess = FileTimeFromTimespec(st.st_atim);
    return true;
}

std::vector<std::string> DryVolumeListing() {
    std::vector<std::string> lines;
    std::lock_guard<std::mutex> lock(DryVolumeMutex());
    if (!g_root) return lines;
    Walk(*g_root, "", [&](const DryRecord& record, const std::string& path) {
        lines.push_back(record.IsFolder() ? path + "\\" : path + " " + std::to_string(record.size));
    });
    return lines;
}

DryVolumeCounts CountDryVolume() {
    DryVolumeCounts counts;
    std::lock_guard<std::mutex> lock(DryVolumeMutex());
    if (!g_root) return counts;
    Walk(*g_root, "", [&](const DryRecord& record, const std::string&) {
        if (record.IsFolder()) {
            ++counts.folders;
        } else {
            ++counts.files;
            if (record.hostSource.empty()) counts.discardedBytes += record.size;
        }
    });
    return counts;
}

HANDLE DryCreateFile(LPCWSTR path, DWORD access, DWORD shareMode, DWORD disposition, DWORD attributes) {
    std::lock_guard<std::mutex> lock(DryVolumeMutex());
    DryPath resolved;
    if (!Resolve(path, &resolved)) return INVALID_HANDLE_VALUE;
    if (resolved.depth == 0) return FailOpen(ERROR_ACCESS_DENIED);
    const bool creates = disposition != OPEN_EXISTING && disposition != TRUNCATE_EXISTING;
    if (RefusesFileWithTrailingSeparator(resolved, creates)) return INVALID_HANDLE_VALUE;
    if (resolved.record) {
        if (disposition == CREATE_NEW) return FailOpen(ERROR_FILE_EXISTS);
        return OpenExisting(resolved.record, access, shareMode, disposition, attributes);
    }
    if (!creates) return FailOpen(ERROR_FILE_NOT_FOUND);
    if (!FitsHostName(resolved.leafGiven)) return INVALID_HANDLE_VALUE;
    auto record = NewRecord(resolved.leafGiven, false);
    record->attributes = (attributes & kSettableAttributeBits) | FILE_ATTRIBUTE_ARCHIVE;
    HANDLE handle = OpenRecord(record, access, shareMode);
    if (handle == INVALID_HANDLE_VALUE) return handle;
    (*resolved.parent->folder)[resolved.key] = record;
    SetLastError(ERROR_SUCCESS);
    return handle;
}

BOOL DryCreateDirectory(LPCWSTR path) {
    std::lock_guard<std::mutex> lock(DryVolumeMutex());
    DryPath resolved;
    if (!Resolve(path, &resolved)) return FALSE;
    if (resolved.record) return Fail(ERROR_ALREADY_EXISTS);
    if (!FitsHostName(resolved.leafGiven)) return FALSE;
    (*resolved.parent->folder)[resolved.key] = NewRecord(resolved.leafGiven, true);
    return TRUE;
}

BOOL DryRemoveDirectory(LPCWSTR path) {
    std::lock_guard<std::mutex> lock(DryVolumeMutex());
    DryPath resolved;
    if (!Resolve(path, &resolved)) return FALSE;
    if (!resolved.record) return Fail(ERROR_FILE_NOT_FOUND);
    if (!resolved.record->IsFolder()) return Fail(ERROR_DIRECTORY);
    // The root and the volumes are mount points, not folders to remove.
    if (resolved.depth <= 1 || IsReadOnly(*resolved.record)) return Fail(ERROR_ACCESS_DENIED);
    if (!resolved.record->folder->empty()) return Fail(ERROR_DIR_NOT_EMPTY);
    resolved.parent->folder->erase(resolved.key);
    return TRUE;
}

// A file open with every sharing allowed goes at once rather than when its
// last handle closes; its handles keep working on the record.
BOOL DryDeleteFile(LPCWSTR path) {
    std::lock_guard<std::mutex> lock(DryVolumeMutex());
    DryPath resolved;
    if (!Resolve(path, &resolved)) return FALSE;
    if (RefusesFileWithTrailingSeparator(resolved)) return FALSE;
    if (!resolved.record) return Fail(ERROR_FILE_NOT_FOUND);
    if (resolved.depth == 0 || resolved.record->IsFolder() || IsReadOnly(*resolved.record)) {
        return Fail(ERROR_ACCESS_DENIED);
    }
    return WithDeleteAccess(DryFileId(*resolved.record), [&] {
        resolved.parent->folder->erase(resolved.key);
        return true;
    });
}

BOOL DryMoveFile(LPCWSTR from, LPCWSTR to) {
    std::lock_guard<std::mutex> lock(DryVolumeMutex());
    DryPath source;
    DryPath target;
    if (!Resolve(from, &source)) return FALSE;
    if (!source.record) return Fail(ERROR_FILE_NOT_FOUND);
    if (!Resolve(to, &target)) return FALSE;
    const bool isFolder = source.record->IsFolder();
    if (source.depth == 0 || (isFolder && source.depth == 1)) return Fail(ERROR_ACCESS_DENIED);
    // The only existing target allowed is the source itself under a new
    // spelling: a change of case.
    if (target.record && (target.record != source.record || target.leafGiven == source.record->name)) {
        return Fail(ERROR_ALREADY_EXISTS);
    }
    if (target.depth == 0) return Fail(ERROR_ALREADY_EXISTS);
    if (isFolder) {
        for (const DryRecord* folder : target.folders) {
            if (folder == source.record.get()) return Fail(ERROR_ACCESS_DENIED);
        }
        if (source.volume != target.volume) return Fail(ERROR_NOT_SAME_DEVICE);
    }
    if (!FitsHostName(target.leafGiven)) return FALSE;
    auto move = [&] {
        auto node = source.parent->folder->extract(source.key);
        node.key() = target.key;
        node.mapped()->name = target.leafGiven;
        target.parent->folder->insert(std::move(node));
        return true;
    };
    if (isFolder) return move();
    return WithDeleteAccess(DryFileId(*source.record), move);
}

DWORD DryGetFileAttributes(LPCWSTR path) {
    std::lock_guard<std::mutex> lock(DryVolumeMutex());
    DryPath resolved;
    if (!Resolve(path, &resolved) || RefusesFileWithTrailingSeparator(resolved)) return INVALID_FILE_ATTRIBUTES;
    if (!resolved.record) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    return ReportedAttributes(*resolved.record);
}

BOOL DrySetFileAttributes(LPCWSTR path, DWORD attributes) {
    std::lock_guard<std::mutex> lock(DryVolumeMutex());
    DryPath resolved;
    if (!Resolve(path, &resolved)) return FALSE;
    if (!resolved.record) return Fail(ERROR_FILE_NOT_FOUND);
    if (resolved.depth == 0) return Fail(ERROR_ACCESS_DENIED);
    resolved.record->attributes = attributes & kSettableAttributeBits;
    return TRUE;
}

bool DryFolderEntries(const std::wstring& folderPath, std::wstring_view namePattern,
                      std::vector<WIN32_FIND_DATAW>* entries) {
    std::lock_guard<std::mutex> lock(DryVolumeMutex());
    DryPath folder;
    if (!Resolve(folderPath.empty() ? L"\\" : folderPath.c_str(), &folder)) return false;
    if (!folder.record || !folder.record->IsFolder()) return Fail(ERROR_PATH_NOT_FOUND);
    auto add = [&](const DryRecord& record) {
        const std::wstring name = Utf8ToWide(record.name);
        if (name.size() >= MAX_PATH) return;
        WIN32_FIND_DATAW data{};
        data.dwFileAttributes = ReportedAttributes(record);
        data.ftCreationTime = record.creation;
        data.ftLastAccessTime = record.lastAccess;
        data.ftLastWriteTime = record.lastWrite;
        if (!record.IsFolder()) {
            data.nFileSizeHigh = static_cast<DWORD>(record.size >> 32);
            data.nFileSizeLow = static_cast<DWORD>(record.size);
        }
        wcsncpy(data.cFileName, name.c_str(), MAX_PATH - 1);
        entries->push_back(data);
    };
    const DryFolderMap& children = *folder.record->folder;
    if (HasWildcards(namePattern)) {
        for (const auto& [key, record] : children) add(*record);
    } else {
        // A name alone needs no listing: a folder of a hundred thousand
        // entries is probed once per file the extractor writes.
        auto found = children.find(FoldedKey(namePattern));
        if (found != children.end()) add(*found->second);
    }
    return true;
}

}  // namespace host
