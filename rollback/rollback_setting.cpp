// ReadRollbackStarts: the rollback setting file.
#include "rollback_setting.h"

#include "device_paths.h"
#include "key_value_formats.h"
#include "log_line.h"

int ReadRollbackStarts() {
    KeyValues values;
    switch (ReadKeyValueFile(kRollbackSetting, kRollbackSettingFormat, &values)) {
    case KeyValueRead::kAccepted:
        return static_cast<int>(values.numbers[0]);
    case KeyValueRead::kRefused:
        LogLine(L"ReadRollbackSetting(): !!! Invalid rollback setting=[%s], starts=[%d]", kRollbackSetting,
                kDefaultRollbackStarts);
        return kDefaultRollbackStarts;
    case KeyValueRead::kUnreadable:
        break;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return kRollbackOff;
    LogLine(L"ReadRollbackSetting(): !!! Failed to read rollback setting=[%s], error=[%ld], starts=[%d]",
            kRollbackSetting, error, kDefaultRollbackStarts);
    return kDefaultRollbackStarts;
}
