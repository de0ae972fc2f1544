// Share-mode bookkeeping of open files (RegisterOpen, ReleaseOpen,
// WithDeleteAccess). Linux lets any number of opens and deletions proceed;
// the device refuses a second open that the first one does not share, and
// the program relies on that.
#include "share.h"

#include <map>
#include <mutex>

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

bool SameFile(const FileId& a, const FileId& b) {
    return a.device == b.device && a.inode == b.inode;
}

bool Conflicts(const OpenRecord& open, DWORD access, DWORD shareMode) {
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
    g_opens.erase(token);
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

}  // namespace host
