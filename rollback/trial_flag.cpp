// WriteTrialFlag, ReadTrialFlag: Trial.flag through the key=value reader and
// writer.
#include "trial_flag.h"

#include <string.h>

#include "device_paths.h"
#include "file_helpers.h"
#include "key_value_formats.h"
#include "previous_mark.h"

BOOL WriteTrialFlag(DWORD packageChecksum, LPCWSTR packageFile, const bool (&oldItems)[kItemCount]) {
    LPCWSTR name = packageFile;
    for (LPCWSTR c = packageFile; *c; ++c) {
        if (*c == L'\\') name = c + 1;
    }
    KeyValueWriter writer;
    writer.Put(kTrialFlagFields[0].key, packageChecksum, KeyValueKind::kChecksum).EndLine();
    writer.Put(kTrialFlagFields[1].key, name).EndLine();
    PutItems(writer, oldItems);
    return writer.WriteFlushed(kTrialFlag);
}

BOOL ReadTrialFlag(TrialFlag* trial) {
    KeyValues values;
    const KeyValueRead read = ReadKeyValueFile(kTrialFlag, kTrialFlagFormat, &values);
    if (read == KeyValueRead::kUnreadable) return FALSE;
    trial->checksum_known = values.count > 0;
    trial->checksum = trial->checksum_known ? values.numbers[0] : 0;
    trial->package_known = values.count > 1;
    strcpy(trial->package, trial->package_known ? values.name : "");
    trial->items_known = read == KeyValueRead::kAccepted;
    for (int item = 0; item < kItemCount; ++item) trial->old_items[item] = false;
    if (trial->items_known) TakeItems(values, kTrialFlagFirstItem, trial->old_items);
    return TRUE;
}

BOOL TrialFlagExists() { return FileExists(kTrialFlag); }

BOOL DeleteTrialFlag() { return DeleteFileW(kTrialFlag); }
