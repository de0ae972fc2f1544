// KeepLogText, BeginUpgradeLog, NameUpgradePackage, KeepResultCode,
// FlushUpgradeLog, CopyUpgradeLogTo: the boot's lines kept as UTF-8 in one buffer, and the
// two files they are appended to.
#include "upgrade_log.h"

#include <strsafe.h>

#include "upgrade_log_format.h"

namespace {

// A boot's lines fit many times over. Once a text no longer fits, it and
// every later one are left out of the files (the debug output has them all
// the same), so that the files never show a boot with lines missing between
// others; the room kept back holds the line that says so and the result.
constexpr DWORD kKeptCapacity = 64 * 1024;
constexpr DWORD kClosingRoom = 256;
// A log this long is renamed to the older log at the next boot's first write.
constexpr DWORD kUpgradeLogLimit = 64 * 1024;
constexpr size_t kHeaderCapacity = 2 * MAX_PATH;

char g_kept[kKeptCapacity];
DWORD g_keptLength = 0;
// How much of g_kept the device's log already holds.
DWORD g_flushedLength = 0;

bool g_keptFull = false;
bool g_begun = false;
bool g_headerWritten = false;
bool g_deviceLogGivenUp = false;
bool g_copied = false;
UpgradeLogFiles g_files = {};
WCHAR g_source[16] = L"";
WCHAR g_package[MAX_PATH] = L"none";
SYSTEMTIME g_beginTime = {};

// Texts come from the UI thread and the workers; each takes the section in
// turn. It is made by the C runtime's start-up, before WinMain, while the
// process still has one thread, so that the boot's first line finds it
// ready and no two threads can race to make it; it is never deleted, since a
// worker may still log while the process ends.
class KeptSection {
public:
    KeptSection() { InitializeCriticalSection(&section_); }
    LPCRITICAL_SECTION Get() { return &section_; }

private:
    CRITICAL_SECTION section_;
};
KeptSection g_keptSection;

class KeptLock {
public:
    KeptLock() { EnterCriticalSection(g_keptSection.Get()); }
    ~KeptLock() { LeaveCriticalSection(g_keptSection.Get()); }
};

// `text` as UTF-8 into `out`: its length, or 0 when it does not fit whole
// (or is empty). The caller's last error stays as it was.
DWORD EncodeUtf8(LPCWSTR text, char* out, DWORD capacity) {
    const size_t length = wcslen(text);
    // A capacity of 0 would ask for the size needed instead.
    if (length == 0 || capacity == 0) return 0;
    const DWORD lastError = GetLastError();
    const int written = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out,
                                            static_cast<int>(capacity), NULL, NULL);
    SetLastError(lastError);
    return written > 0 ? static_cast<DWORD>(written) : 0;
}

// The boot's header line, as UTF-8.
DWORD ComposeHeader(char* header, DWORD capacity) {
    WCHAR text[kHeaderCapacity];
    if (!ComposeUpgradeBootLine(text, kHeaderCapacity, g_beginTime, g_source, g_package)) return 0;
    return EncodeUtf8(text, header, capacity);
}

bool WriteWhole(HANDLE file, const char* data, DWORD length) {
    DWORD written = 0;
    return length == 0 || (WriteFile(file, data, length, &written, NULL) && written == length);
}

// The log at `path` opened for appending; with `older`, a log past its limit
// is first renamed to `older` and a new one begun.
HANDLE OpenForAppending(LPCWSTR path, LPCWSTR older) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return file;
    if (older && GetFileSize(file, NULL) >= kUpgradeLogLimit) {
        CloseHandle(file);
        DeleteFileW(older);
        if (!MoveFileW(path, older)) return INVALID_HANDLE_VALUE;
        return CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    }
    SetFilePointer(file, 0, NULL, FILE_END);
    return file;
}

// The header, when `withHeader`, and `length` bytes of g_kept from `from`,
// appended to the log and flushed.
bool Append(HANDLE file, bool withHeader, DWORD from, DWORD length) {
    char header[kHeaderCapacity * 3];
    const DWORD headerLength = withHeader ? ComposeHeader(header, sizeof(header)) : 0;
    return (!withHeader || WriteWhole(file, header, headerLength)) && WriteWhole(file, g_kept + from, length) &&
           FlushFileBuffers(file);
}

}  // namespace

void KeepLogText(LPCWSTR text) {
    KeptLock lock;
    if (g_keptFull) return;
    // A result line may already reach into the room kept back.
    const DWORD lineRoom = kKeptCapacity - kClosingRoom;
    const DWORD room = g_keptLength < lineRoom ? lineRoom - g_keptLength : 0;
    const DWORD length = EncodeUtf8(text, g_kept + g_keptLength, room);
    if (length == 0 && text[0]) {
        g_keptFull = true;
        g_keptLength += EncodeUtf8(kUpgradeLogFullLine, g_kept + g_keptLength, kKeptCapacity - g_keptLength);
    }
    g_keptLength += length;
}

void BeginUpgradeLog(const UpgradeLogFiles& files, LPCWSTR source) {
    g_files = files;
    g_begun = true;
    StringCchCopyW(g_source, sizeof(g_source) / sizeof(g_source[0]), source);
    GetLocalTime(&g_beginTime);
}

void NameUpgradePackage(LPCWSTR path) {
    LPCWSTR name = path;
    for (LPCWSTR c = path; *c; ++c) {
        if (*c == L'\\') name = c + 1;
    }
    // The rollback names its package from its worker.
    KeptLock lock;
    StringCchCopyW(g_package, MAX_PATH, name);
}

void KeepResultCode(LPCWSTR code) {
    WCHAR line[64];
    if (g_begun && ComposeUpgradeResultLine(line, 64, code)) {
        // Into the room kept back, should the lines have filled the rest.
        KeptLock lock;
        g_keptLength += EncodeUtf8(line, g_kept + g_keptLength, kKeptCapacity - g_keptLength);
    }
}

void FlushUpgradeLog() {
    if (!g_begun || g_deviceLogGivenUp) return;
    // The caller's last error is not the log's to change.
    const DWORD lastError = GetLastError();
    KeptLock lock;
    if (!g_headerWritten || g_flushedLength < g_keptLength) {
        HANDLE file = OpenForAppending(g_files.device_log, g_headerWritten ? NULL : g_files.older_device_log);
        const bool appended = file != INVALID_HANDLE_VALUE &&
                              Append(file, !g_headerWritten, g_flushedLength, g_keptLength - g_flushedLength);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        g_headerWritten = true;
        g_flushedLength = g_keptLength;
        g_deviceLogGivenUp = !appended;
    }
    SetLastError(lastError);
}

void CopyUpgradeLogTo(LPCWSTR folder) {
    WCHAR path[MAX_PATH];
    if (!g_begun || g_copied || FAILED(StringCchPrintfW(path, MAX_PATH, L"%s\\%s", folder, g_files.name))) return;
    g_copied = true;
    const DWORD lastError = GetLastError();
    KeptLock lock;
    WCHAR older[MAX_PATH];
    const bool olderNamed = SUCCEEDED(StringCchPrintfW(older, MAX_PATH, L"%s\\%s", folder, g_files.older_name));
    HANDLE file = OpenForAppending(path, olderNamed ? older : NULL);
    if (file != INVALID_HANDLE_VALUE) {
        Append(file, true, 0, g_keptLength);
        CloseHandle(file);
    }
    SetLastError(lastError);
}
