// Stream devices ("AIP1:"), opened through CreateFileW by name.
#pragma once

#include <windows.h>

namespace host {

// A name of three letters, a digit and a colon, such as "AIP1:".
bool IsStreamDeviceName(LPCWSTR name);

// Opens a stream device; INVALID_HANDLE_VALUE with ERROR_FILE_NOT_FOUND when
// the board has no such driver.
HANDLE OpenStreamDevice(LPCWSTR name);

}  // namespace host
