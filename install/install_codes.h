// Installation failure indexes and their code texts.
#pragma once

#include <windows.h>

enum InstallFailure : DWORD {
    kInstallUnzipImages = 0,       // "Err40"
    kInstallRemoveImages = 1,      // "Err41"
    kInstallMoveImages = 2,        // "Err42"
    kInstallNoImages = 3,          // "Err43"
    kInstallUnzipFont = 4,         // "Err50"
    kInstallRemoveFont = 5,        // "Err51"
    kInstallMoveFont = 6,          // "Err52"
    kInstallDeleteExe = 15,        // "Err68"
    kInstallMoveExe = 16,          // "Err69"
    kInstallNoExe = 17,            // "Err6A"
    kInstallFailureCount = 20
};

// The constant code text of an index; "ErrFF" for any index outside the table.
LPCWSTR InstallFailureCode(DWORD index);
