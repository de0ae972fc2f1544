// The one place where host errors become the platform's error codes.
#pragma once

#include <windows.h>

namespace host {

// Maps an errno value to the Win32 error code the device would report.
DWORD ErrorFromErrno(int err);

// Records errno's Win32 code as the last error; returns FALSE so that
// failing paths can end in `return FailWithErrno(errno);`.
BOOL FailWithErrno(int err);

// Records `code` as the last error and returns FALSE.
BOOL Fail(DWORD code);

}  // namespace host
