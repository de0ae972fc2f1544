// The upgrade log's own lines, which stand between a boot's debug lines: the
// header before each boot, the result of a failed attempt, and the line
// that says the rest of a boot's lines were left out. The device's writer
// composes them here and ruvexa-pack's reader parses them here, from the
// same format texts, so the two cannot drift apart.
#pragma once

#include <windows.h>

#include <cstddef>

// "=== Upgrade boot: date=[...], source=[...], package=[...] ===\r\n".
struct UpgradeBootLine {
    SYSTEMTIME date;    // the year, month, day, hour, minute and second
    WCHAR source[16];   // "remote", "USB" or "rollback"
    WCHAR package[MAX_PATH];  // the package's file name, or "none"
};

constexpr size_t kUpgradeResultCodeCapacity = 16;

// The line that follows the last line a boot could keep in the log files.
extern const WCHAR kUpgradeLogFullLine[];

// The header line, "\r\n" included, into `line`; FALSE when it does not fit.
BOOL ComposeUpgradeBootLine(WCHAR* line, size_t capacity, const SYSTEMTIME& date, LPCWSTR source, LPCWSTR package);
// "=== Upgrade result: code=[Err40] ===\r\n" into `line`; FALSE when it does
// not fit.
BOOL ComposeUpgradeResultLine(WCHAR* line, size_t capacity, LPCWSTR code);

// The readers take one line without its line end ("\r\n" or "\n"); TRUE
// when it is such a line, with its fields filled.
BOOL ParseUpgradeBootLine(LPCWSTR line, UpgradeBootLine* boot);
BOOL ParseUpgradeResultLine(LPCWSTR line, WCHAR (&code)[kUpgradeResultCodeCapacity]);
BOOL IsUpgradeLogFullLine(LPCWSTR line);
