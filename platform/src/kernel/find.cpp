// FindFirstFileW, FindNextFileW, FindClose. The matching entries are taken
// at FindFirstFileW, sorted by name, so that the caller may delete them
// while it enumerates and every run sees the same order.
#include <sys/stat.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "attributes.h"
#include "dry_volume.h"
#include "casefold.h"
#include "error.h"
#include "filetime.h"
#include "handle.h"
#include "path.h"
#include "ruvexa_host.h"
#include "search_report.h"

namespace host {
namespace {

class FindObject : public KernelObject {
public:
    FindObject(std::wstring pattern, std::vector<WIN32_FIND_DATAW> entries)
        : pattern_(std::move(pattern)), entries_(std::move(entries)) {}

    bool Next(WIN32_FIND_DATAW* data) {
        if (next_ >= entries_.size()) return false;
        *data = entries_[next_++];
        return true;
    }

    const std::wstring& Pattern() const { return pattern_; }

    // The matching names in the order the search lists them.
    std::vector<std::wstring> Names() const {
        std::vector<std::wstring> names;
        for (const auto& entry : entries_) names.emplace_back(entry.cFileName);
        return names;
    }

private:
    std::wstring pattern_;
    std::vector<WIN32_FIND_DATAW> entries_;
    size_t next_ = 0;
};

// "*" matches any run of characters, "?" any one, case-insensitively.
bool MatchesWildcards(std::wstring_view pattern, std::wstring_view name) {
    size_t p = 0, n = 0;
    size_t starAt = std::wstring_view::npos, resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == L'?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == L'*') {
            starAt = p++;
            resumeAt = n;
        } else if (starAt != std::wstring_view::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

// As on the device, a final ".*" also matches a name without any dot, so
// "*.*" lists every entry.
bool MatchesPattern(std::wstring_view pattern, std::wstring_view name) {
    if (MatchesWildcards(pattern, name)) return true;
    if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == L".*" &&
        name.find(L'.') == std::wstring_view::npos) {
        return MatchesWildcards(pattern.substr(0, pattern.size() - 2), name);
    }
    return false;
}

bool FillEntry(const std::string& hostPath, const std::wstring& name, WIN32_FIND_DATAW* data) {
    struct stat st;
    EntryTimes times;
    if (name.size() >= MAX_PATH || lstat(hostPath.c_str(), &st) != 0 ||
        !TimesOfPath(hostPath, &times)) {
        return false;
    }
    *data = WIN32_FIND_DATAW{};
    data->dwFileAttributes = AttributesOf(hostPath, st);
    data->ftCreationTime = times.creation;
    data->ftLastAccessTime = times.lastAccess;
    data->ftLastWriteTime = times.lastWrite;
    if (!S_ISDIR(st.st_mode)) {
        auto size = static_cast<uint64_t>(st.st_size);
        data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
        data->nFileSizeLow = static_cast<DWORD>(size);
    }
    std::wcsncpy(data->cFileName, name.c_str(), MAX_PATH - 1);
    return true;
}

HANDLE FailFind(DWORD code) {
    SetLastError(code);
    return INVALID_HANDLE_VALUE;
}

// The entries of the host folder `folderPart` that match; false with the
// last error set when it is no folder.
bool HostEntries(const std::wstring& folderPart, std::wstring_view namePattern, bool foldersOnly,
                 std::vector<WIN32_FIND_DATAW>* entries) {
    DevicePath folder;
    if (!ResolveDevicePath(folderPart.empty() ? L"\\" : folderPart.c_str(), &folder)) return false;
    if (!folder.exists || !S_ISDIR(folder.st.st_mode)) return Fail(ERROR_PATH_NOT_FOUND);
    std::vector<std::string> names;
    if (!ListHostFolder(folder.host, folder.depth == 0, &names)) return Fail(ERROR_PATH_NOT_FOUND);
    for (const auto& name : names) {
        std::wstring wideName = Utf8ToWide(name);
        if (!MatchesPattern(namePattern, wideName)) continue;
        WIN32_FIND_DATAW data;
        if (!FillEntry(folder.host + "/" + name, wideName, &data)) continue;
        if (foldersOnly && !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        entries->push_back(data);
    }
    return true;
}

}  // namespace
}  // namespace host

namespace host {
namespace {

// A pattern that ends in "\" matches folders only: "\Storage Card\Download\"
// probes that the folder exists and "\Hard Disk*\" finds a volume by the
// start of its name.
HANDLE FindFirst(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData) {
    if (!lpFindFileData) return host::FailFind(ERROR_INVALID_PARAMETER);
    if (!lpFileName || !*lpFileName) return host::FailFind(ERROR_PATH_NOT_FOUND);
    if (!host::FitsDevicePath(lpFileName)) return INVALID_HANDLE_VALUE;
    std::wstring_view pattern(lpFileName);
    bool foldersOnly = false;
    while (!pattern.empty() && pattern.back() == L'\\') {
        pattern.remove_suffix(1);
        foldersOnly = true;
    }
    size_t split = pattern.rfind(L'\\');
    std::wstring folderPart(split == std::wstring_view::npos ? std::wstring_view() : pattern.substr(0, split));
    std::wstring_view namePattern = split == std::wstring_view::npos ? pattern : pattern.substr(split + 1);
    if (namePattern.empty()) return host::FailFind(ERROR_FILE_NOT_FOUND);
    if (!host::IsValidComponent(namePattern, true)) return INVALID_HANDLE_VALUE;

    std::vector<WIN32_FIND_DATAW> entries;
    if (host::DryVolumeActive()) {
        if (!host::DryFolderEntries(folderPart, namePattern, &entries)) return INVALID_HANDLE_VALUE;
        std::erase_if(entries, [&](const WIN32_FIND_DATAW& data) {
            return !host::MatchesPattern(namePattern, data.cFileName) ||
                   (foldersOnly && !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY));
        });
    } else if (!host::HostEntries(folderPart, namePattern, foldersOnly, &entries)) {
        return INVALID_HANDLE_VALUE;
    }
    if (entries.empty()) return host::FailFind(ERROR_FILE_NOT_FOUND);
    std::sort(entries.begin(), entries.end(), [](const WIN32_FIND_DATAW& a, const WIN32_FIND_DATAW& b) {
        std::wstring foldedA = host::FoldedName(a.cFileName);
        std::wstring foldedB = host::FoldedName(b.cFileName);
        return foldedA != foldedB ? foldedA < foldedB : std::wcscmp(a.cFileName, b.cFileName) < 0;
    });
    auto search = std::make_shared<host::FindObject>(std::wstring(lpFileName), std::move(entries));
    search->Next(lpFindFileData);
    return host::RegisterHandle(search);
}

}  // namespace
}  // namespace host

extern "C" HANDLE WINAPI FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData) {
    if (host::ShouldFail(host::Op::FindFirstFileW)) return INVALID_HANDLE_VALUE;
    HANDLE search = host::FindFirst(lpFileName, lpFindFileData);
    DWORD error = GetLastError();
    if (search != INVALID_HANDLE_VALUE) {
        host::NoteSearchOutcome(lpFileName, host::LookupHandleAs<host::FindObject>(search)->Names());
    } else if (lpFileName && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) {
        host::NoteSearchOutcome(lpFileName, {});
    }
    SetLastError(error);
    return search;
}

extern "C" BOOL WINAPI FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData) {
    if (host::ShouldFail(host::Op::FindNextFileW)) return FALSE;
    auto search = host::LookupHandleAs<host::FindObject>(hFindFile);
    if (!search) return host::Fail(ERROR_INVALID_HANDLE);
    if (!lpFindFileData) return host::Fail(ERROR_INVALID_PARAMETER);
    host::NoteSearchWentOn(search->Pattern());
    if (!search->Next(lpFindFileData)) return host::Fail(ERROR_NO_MORE_FILES);
    return TRUE;
}

extern "C" BOOL WINAPI FindClose(HANDLE hFindFile) {
    if (!host::LookupHandleAs<host::FindObject>(hFindFile)) return host::Fail(ERROR_INVALID_HANDLE);
    host::UnregisterHandle(hFindFile);
    return TRUE;
}
