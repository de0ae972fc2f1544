// ReadSecurityFloor, RaiseSecurityFloor and Floor.next: the floor's records.
#include "security_floor.h"

#include "device_paths.h"
#include "file_helpers.h"
#include "small_text_file.h"

namespace {

constexpr const WCHAR* kFloorRecords[] = {kFloorRecordA, kFloorRecordB};
constexpr DWORD kRecordMaxBytes = 64;

// Appends "name=value\r\n" to `text` at *length.
void PutField(char* text, DWORD* length, const char* name, DWORD value) {
    while (*name) text[(*length)++] = *name++;
    text[(*length)++] = '=';
    char digits[10];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value);
    while (count) text[(*length)++] = digits[--count];
    text[(*length)++] = '\r';
    text[(*length)++] = '\n';
    text[*length] = '\0';
}

// The field "name=value\r\n" at the start of `text`: the text after it, or
// null when it is not exactly such a field with a value that fits 32 bits.
const char* TakeField(const char* text, const char* name, DWORD* value) {
    while (*name) {
        if (*text++ != *name++) return NULL;
    }
    if (*text++ != '=' || *text < '0' || *text > '9') return NULL;
    unsigned long long number = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        number = number * 10 + static_cast<unsigned>(*text - '0');
        if (number > 0xFFFFFFFFull) return NULL;
    }
    if (text[0] != '\r' || text[1] != '\n') return NULL;
    *value = static_cast<DWORD>(number);
    return text + 2;
}

struct CurrentRecord {
    DWORD floor;     // 0 without a valid record
    DWORD sequence;  // 0 without a valid record
    int index;       // in kFloorRecords, -1 without a valid record
};

BOOL ReadRecord(LPCWSTR path, DWORD* sequence, DWORD* floor) {
    char text[kRecordMaxBytes];
    if (!ReadSmallFile(path, text, kRecordMaxBytes)) return FALSE;
    const char* rest = TakeField(text, "sequence", sequence);
    rest = rest ? TakeField(rest, "floor", floor) : NULL;
    // Sequence 0 is never written: it stands for no record.
    return rest && *rest == '\0' && *sequence > 0;
}

CurrentRecord ReadCurrentRecord() {
    CurrentRecord current = {0, 0, -1};
    for (int index = 0; index < 2; ++index) {
        DWORD sequence = 0, floor = 0;
        if (ReadRecord(kFloorRecords[index], &sequence, &floor) && sequence > current.sequence) {
            current = {floor, sequence, index};
        }
    }
    return current;
}

}  // namespace

DWORD ReadSecurityFloor() { return ReadCurrentRecord().floor; }

BOOL RaiseSecurityFloor(DWORD version, BOOL* raised) {
    *raised = FALSE;
    const CurrentRecord now = ReadCurrentRecord();
    if (version <= now.floor) return TRUE;
    char text[kRecordMaxBytes];
    DWORD length = 0;
    PutField(text, &length, "sequence", now.sequence + 1);
    PutField(text, &length, "floor", version);
    if (!WriteFlushedFile(kFloorRecords[now.index == 0 ? 1 : 0], text)) return FALSE;
    *raised = TRUE;
    return TRUE;
}

BOOL KeepTrialSecurityVersion(DWORD version) {
    char text[kRecordMaxBytes];
    DWORD length = 0;
    PutField(text, &length, "floor", version);
    return WriteFlushedFile(kTrialFloorFile, text);
}

BOOL ReadTrialSecurityVersion(DWORD* version) {
    char text[kRecordMaxBytes];
    const char* rest = ReadSmallFile(kTrialFloorFile, text, kRecordMaxBytes) ? TakeField(text, "floor", version) : NULL;
    return rest && *rest == '\0';
}

BOOL ForgetTrialSecurityVersion() {
    return DeleteFileW(kTrialFloorFile) || GetLastError() == ERROR_FILE_NOT_FOUND;
}
