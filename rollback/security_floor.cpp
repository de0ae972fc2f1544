// ReadSecurityFloor, RaiseSecurityFloor and Floor.next: the floor's records.
#include "security_floor.h"

#include "device_paths.h"
#include "key_value_formats.h"

namespace {

constexpr const WCHAR* kFloorRecords[] = {kFloorRecordA, kFloorRecordB};

struct CurrentRecord {
    DWORD floor;     // 0 without a valid record
    DWORD sequence;  // 0 without a valid record
    int index;       // in kFloorRecords, -1 without a valid record
};

BOOL ReadRecord(LPCWSTR path, DWORD* sequence, DWORD* floor) {
    KeyValues values;
    if (ReadKeyValueFile(path, kFloorRecordFormat, &values) != KeyValueRead::kAccepted) return FALSE;
    *sequence = values.numbers[0];
    *floor = values.numbers[1];
    // Sequence 0 is never written: it stands for no record.
    return *sequence > 0;
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
    KeyValueWriter record;
    record.Put(kFloorRecordFields[0].key, now.sequence + 1, KeyValueKind::kDecimal).EndLine();
    record.Put(kFloorRecordFields[1].key, version, KeyValueKind::kDecimal).EndLine();
    if (!record.WriteFlushed(kFloorRecords[now.index == 0 ? 1 : 0])) return FALSE;
    *raised = TRUE;
    return TRUE;
}

BOOL KeepTrialSecurityVersion(DWORD version) {
    KeyValueWriter record;
    record.Put(kTrialFloorFields[0].key, version, KeyValueKind::kDecimal).EndLine();
    return record.WriteFlushed(kTrialFloorFile);
}

BOOL ReadTrialSecurityVersion(DWORD* version) {
    KeyValues values;
    if (ReadKeyValueFile(kTrialFloorFile, kTrialFloorFormat, &values) != KeyValueRead::kAccepted) return FALSE;
    *version = values.numbers[0];
    return TRUE;
}

BOOL ForgetTrialSecurityVersion() {
    return DeleteFileW(kTrialFloorFile) || GetLastError() == ERROR_FILE_NOT_FOUND;
}
