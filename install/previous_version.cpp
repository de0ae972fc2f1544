// PreparePrevious, ClearInstalled, StartTrial: keeping the replaced version
// and starting the new one's trial (the marker is described in
// previous_version.h).
#include "previous_version.h"

#include <string.h>
#include <strsafe.h>

#include "device_paths.h"
#include "file_helpers.h"
#include "install_constants.h"
#include "log_line.h"
#include "security_floor.h"
#include "small_text_file.h"
#include "trial_records.h"

namespace {

constexpr DWORD kMarkMaxBytes = 64;
// The trial marker begins with the checksum line, the part a redo compares.
constexpr const WCHAR* kTrialChecksumFormat = L"checksum=%08lX\r\n";

// `text` as bytes: the markers are ASCII, anything else becomes "?".
void Narrow(LPCWSTR text, char* bytes, DWORD capacity) {
    DWORD i = 0;
    for (; text[i] && i + 1 < capacity; ++i) bytes[i] = text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
    bytes[i] = '\0';
}

// The marker's text, from the three flags in item order.
void FormatMark(const bool (&items)[kItemCount], char (&text)[kMarkMaxBytes]) {
    WCHAR wide[kMarkMaxBytes];
    StringCchPrintfW(wide, kMarkMaxBytes, L"exe=%d\r\nimages=%d\r\nfont=%d\r\n", items[kItemExe] ? 1 : 0,
                     items[kItemImages] ? 1 : 0, items[kItemFont] ? 1 : 0);
    Narrow(wide, text, kMarkMaxBytes);
}

}  // namespace

BOOL ParseItems(const char* text, bool (&items)[kItemCount]) {
    for (int combination = 0; combination < (1 << kItemCount); ++combination) {
        for (int item = 0; item < kItemCount; ++item) items[item] = (combination >> item) & 1;
        char expected[kMarkMaxBytes];
        FormatMark(items, expected);
        if (strcmp(text, expected) == 0) return TRUE;
    }
    return FALSE;
}

BOOL ParseTrialItems(const char* text, bool (&items)[kItemCount]) {
    // The items follow the checksum and package lines.
    const char* rest = strstr(text, "\r\npackage=");
    rest = rest ? strstr(rest + 2, "\r\n") : NULL;
    return rest && ParseItems(rest + 2, items);
}

namespace {

// The marker's flags when it is there and exactly one of the texts the
// installation writes.
BOOL ReadMark(bool (&items)[kItemCount]) {
    char text[kMarkMaxBytes];
    return ReadSmallFile(kPreviousMark, text, kMarkMaxBytes) && ParseItems(text, items);
}

void FormatTrialChecksum(const Installer* installer, char (&text)[kTrialMaxBytes]) {
    WCHAR wide[kTrialMaxBytes];
    StringCchPrintfW(wide, kTrialMaxBytes, kTrialChecksumFormat, installer->package_checksum);
    Narrow(wide, text, kTrialMaxBytes);
}

// The trial marker's text: the package's stored checksum, its name, and the
// items the old version had.
void FormatTrial(const Installer* installer, char (&text)[kTrialMaxBytes]) {
    LPCWSTR name = installer->upgrade_file;
    for (LPCWSTR c = name; *c; ++c) {
        if (*c == L'\\') name = c + 1;
    }
    FormatTrialChecksum(installer, text);
    WCHAR wide[kTrialMaxBytes];
    StringCchPrintfW(wide, kTrialMaxBytes, L"package=%s\r\n", name);
    char package[kTrialMaxBytes];
    Narrow(wide, package, kTrialMaxBytes);
    strncat(text, package, kTrialMaxBytes - strlen(text) - 1);
    char items[kMarkMaxBytes];
    FormatMark(installer->old_items, items);
    strncat(text, items, kTrialMaxBytes - strlen(text) - 1);
}

// A trial marker of the same package: its switch-over was complete.
BOOL TrialOfSamePackage(const Installer* installer) {
    char text[kTrialMaxBytes];
    char checksum[kTrialMaxBytes];
    if (!ReadSmallFile(kTrialFlag, text, kTrialMaxBytes)) return FALSE;
    FormatTrialChecksum(installer, checksum);
    return strncmp(text, checksum, strlen(checksum)) == 0;
}

BOOL PreparationFailed(Installer* installer, LPCWSTR path) {
    LogLine(L"UpgradeThreadProc(): !!! Failed to prepare previous version=[%s], error=[%ld]", path, GetLastError());
    installer->error = InstallFailure::kPreparePrevious;
    return FALSE;
}

}  // namespace

BOOL PreparePrevious(Installer* installer) {
    if (ReadMark(installer->old_items)) {
        LogLine(L"UpgradeThreadProc(): resuming previous version=[%s]", kPreviousFolder);
        return TRUE;
    }
    // Previous is complete when this package's switch-over was: what it
    // holds is what the old version had.
    for (int item = 0; item < kItemCount; ++item) installer->old_items[item] = FileExists(kPreviousItems[item]);
    if (TrialOfSamePackage(installer)) {
        LogLine(L"UpgradeThreadProc(): previous version already kept=[%s]", kPreviousFolder);
        return TRUE;
    }
    // A marker that is no complete text was cut before its flush: nothing
    // had moved yet, so the folder holds no part of this upgrade.
    if (FileExists(kPreviousMark) && !DeleteFileW(kPreviousMark)) return PreparationFailed(installer, kPreviousMark);
    if (FileExists(kPreviousFolder)) {
        RemoveFolder(kPreviousFolder);
        if (FileExists(kPreviousFolder)) return PreparationFailed(installer, kPreviousFolder);
    }
    if (!CreateDirectoryW(kPreviousFolder, NULL)) return PreparationFailed(installer, kPreviousFolder);
    for (int item = 0; item < kItemCount; ++item) installer->old_items[item] = FileExists(kInstalledItems[item]);
    char mark[kMarkMaxBytes];
    FormatMark(installer->old_items, mark);
    if (!WriteFlushedFile(kPreviousMark, mark)) return PreparationFailed(installer, kPreviousMark);
    LogLine(L"UpgradeThreadProc(): keeping previous version=[%s]", kPreviousFolder);
    return TRUE;
}

BOOL ClearInstalled(Installer* installer, PreviousItem item) {
    LPCWSTR installed = kInstalledItems[item];
    if (installer->keep_previous && installer->old_items[item] && !FileExists(kPreviousItems[item]) &&
        FileExists(installed)) {
        if (MoveFileW(installed, kPreviousItems[item])) {
            LogLine(L"UpgradeThreadProc(): kept old=[%s]", installed);
            return TRUE;
        }
        LogLine(L"UpgradeThreadProc(): !!! Failed to keep old=[%s], error=[%ld]", installed, GetLastError());
        return FALSE;
    }
    if (item == kItemExe) return !FileExists(installed) || DeleteFileW(installed);
    // A folder that was missing, or empty and now removed, leaves the
    // place free; only one still there stops the switch-over.
    return RemoveFolder(installed) || !FileExists(installed);
}

BOOL StartTrial(Installer* installer) {
    char trial[kTrialMaxBytes];
    FormatTrial(installer, trial);
    // The version that becomes the floor once the trial is over, kept before
    // the trial starts, so that no trial runs without it.
    if (installer->security_version && !KeepTrialSecurityVersion(*installer->security_version)) {
        LogLine(L"UpgradeThreadProc(): !!! Failed to keep security version=[%s], error=[%ld]", kTrialFloorFile,
                GetLastError());
        installer->error = InstallFailure::kStartTrial;
        return FALSE;
    }
    // The new trial counts its own starts: an earlier trial's records go
    // before its marker is written.
    if (!RemoveTrialRecords() || !WriteFlushedFile(kTrialFlag, trial)) {
        LogLine(L"UpgradeThreadProc(): !!! Failed to create trial flag=[%s], error=[%ld]", kTrialFlag, GetLastError());
        installer->error = InstallFailure::kStartTrial;
        return FALSE;
    }
    LogLine(L"UpgradeThreadProc(): created trial flag");
    // A marker left behind would make the next upgrade take the version it
    // replaces for a new one: the request stays until the marker goes.
    if (!FileExists(kPreviousMark) || DeleteFileW(kPreviousMark)) return TRUE;
    LogLine(L"UpgradeThreadProc(): !!! Failed to delete file=[%s]", kPreviousMark);
    installer->error = InstallFailure::kStartTrial;
    return FALSE;
}
