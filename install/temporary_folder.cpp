// ComposeTemporaryFolder: the installed folder's name and the suffix.
#include "temporary_folder.h"

#include <strsafe.h>

#include "install_constants.h"

bool ComposeTemporaryFolder(LPWSTR folder, LPCWSTR installed) {
    return SUCCEEDED(StringCchPrintfW(folder, MAX_PATH, L"%s%s", installed, kTemporaryFolderSuffix));
}
