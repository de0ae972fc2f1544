// Share-mode bookkeeping of open files (RegisterOpen, ReleaseOpen,
// WithDeleteAccess, DeleteWhenClosed). Linux lets any number of opens and
// deletions proceed; the device refuses a second open that the first one does
// not share, and the program relies on that.
#include "share.h"

#include <unistd.h>

#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "error.h"

namespace host {
namespace {

struct OpenRecord {
    FileId file;
    DWORD access;
    DWORD shareMode;
};

std::mutex g_mutex;
// Never destroyed: a handle still open at exit releases its record from the
// handle table's destructor, which may run after this file's statics.
std::map<uint64_t, OpenRecord>& g_opens = *new std::map<uint64_t, OpenRecord>;
uint64_t g_nextToken = 1;
// Files deleted while open, by (device, inode), with the host path to remove
// when their last handle closes.
std::map<std::pair<dev_t, ino_t>, std::string>& g_pendingDeletes = *new std::map<std::pair<dev_t, ino_t>, std::string>;

std::pair<dev_t, ino_t> KeyOf(const FileId& file) { return {file.device, file.inode}; }

bool SameFile(const FileId& a, const FileId& b) {
    return a.device == b.device && a.inode == b.inode;
}

// An open for neither reading nor writing (attributes only) takes part in
// no sharing check, either way.
bool Conflicts(const OpenRecord& open, DWORD access, DWORD shareMode) {
    if (!(access & (GENERIC_READ | GENERIC_WRITE)) || !(open.access & (GENERIC_READ | GENERIC_WRITE))) return false;
    const bool wantsRead = access & GENERIC_READ;
    const bool wantsWrite = access & GENERIC_WRITE;
    const bool hasRead = open.access & GENERIC_READ;
    const bool hasWrite = open.access & GENERIC_WRITE;
    return (wantsRead && !(open.shareMode & FILE_SHARE_READ)) ||
           (wantsWrite && !(open.shareMode & FILE_SHARE_WRITE)) ||
           (hasRead && !(shareMode & FILE_SHARE_READ)) ||
           (hasWrite && !(shareMode & FILE_SHARE_WRITE));
}

}  // namespace

uint64_t RegisterOpen(FileId file, DWORD access, DWORD shareMode) {
    std::lock_guard<std::mutex> lock(g_mutex);
    // A file whose deletion waits for its handles to close opens no more.
    if (g_pendingDeletes.count(KeyOf(file))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    for (const auto& [token, open] : g_opens) {
        if (SameFile(open.file, file) && Conflicts(open, access, shareMode)) {
            SetLastError(ERROR_SHARING_VIOLATION);
            return 0;
        }
    }
    uint64_t token = g_nextToken++;
    g_opens.emplace(token, OpenRecord{file, access, shareMode});
    return token;
}

void ReleaseOpen(uint64_t token) {
    if (token == 0) return;
    std::lock_guard<std::mutex> lock(g_mutex);
    auto record = g_opens.find(token);
    if (record == g_opens.end()) return;
    const FileId file = record->second.file;
    g_opens.erase(record);
    auto pending = g_pendingDeletes.find(KeyOf(file));
    if (pending == g_pendingDeletes.end()) return;
    for (const auto& [other, open] : g_opens) {
        if (SameFile(open.file, file)) return;
    }
    unlink(pending->second.c_str());
    g_pendingDeletes.erase(pending);
}

bool WithDeleteAccess(FileId file, const std::function<bool()>& change) {
    std::lock_guard<std::mutex> lock(g_mutex);
    for (const auto& [token, open] : g_opens) {
        if (SameFile(open.file, file) && !(open.shareMode & FILE_SHARE_DELETE)) {
            return Fail(ERROR_SHARING_VIOLATION);
        }
    }
    return change();
}

bool DeleteWhenClosed(FileId file, const std::string& hostPath, const std::function<bool()>& unlinkNow) {
    std::lock_guard<std::mutex> lock(g_mutex);
    bool open = false;
    for (const auto& [token, record] : g_opens) {
        if (!SameFile(record.file, file)) continue;
        if (!(record.shareMode & FILE_SHARE_DELETE)) return Fail(ERROR_SHARING_VIOLATION);
        open = true;
    }
    if (!open) return unlinkNow();
    g_pendingDeletes[KeyOf(file)] = hostPath;
    return true;
}

}  // namespace host
