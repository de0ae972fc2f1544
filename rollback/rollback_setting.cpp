// ReadRollbackStarts, ParseRollbackStarts: the rollback setting file.
#include "rollback_setting.h"

#include "device_paths.h"
#include "log_line.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The starts of one line without its "\n", or 0.
int ParseLine(const char* line, DWORD length) {
    DWORD begin = 0;
    while (begin < length && IsBlank(line[begin])) ++begin;
    while (length > begin && IsBlank(line[length - 1])) --length;
    static const char kKey[] = "starts=";
    const DWORD keyLength = sizeof(kKey) - 1;
    if (length - begin != keyLength + 1) return 0;
    for (DWORD i = 0; i < keyLength; ++i) {
        if (line[begin + i] != kKey[i]) return 0;
    }
    const char digit = line[begin + keyLength];
    return digit >= '1' && digit <= '0' + kMaxRollbackStarts ? digit - '0' : 0;
}

int Unreadable(DWORD error) {
    LogLine(L"ReadRollbackSetting(): !!! Failed to read rollback setting=[%s], error=[%ld], starts=[%d]",
            kRollbackSetting, error, kDefaultRollbackStarts);
    return kDefaultRollbackStarts;
}

}  // namespace

int ParseRollbackStarts(const char* text, DWORD length) {
    DWORD lineStart = 0;
    for (DWORD i = 0; i <= length; ++i) {
        if (i < length && text[i] != '\n') continue;
        const int starts = ParseLine(text + lineStart, i - lineStart);
        if (starts) return starts;
        lineStart = i + 1;
    }
    return 0;
}

int ReadRollbackStarts() {
    HANDLE file =
        CreateFileW(kRollbackSetting, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return kRollbackOff;
        return Unreadable(error);
    }
    // One byte more than a setting may have, so that a longer file shows.
    char text[kRollbackSettingMaxBytes + 1];
    DWORD length = 0;
    const BOOL read = ReadFile(file, text, sizeof(text), &length, NULL);
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!read) return Unreadable(error);
    const int starts = length <= kRollbackSettingMaxBytes ? ParseRollbackStarts(text, length) : 0;
    if (starts) return starts;
    LogLine(L"ReadRollbackSetting(): !!! Invalid rollback setting=[%s], starts=[%d]", kRollbackSetting,
            kDefaultRollbackStarts);
    return kDefaultRollbackStarts;
}
