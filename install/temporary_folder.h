// The folder a new archive is unpacked into beside the installed one: the
// installed folder's name with kTemporaryFolderSuffix.
#pragma once

#include <windows.h>

// False when the name does not fit in MAX_PATH characters.
bool ComposeTemporaryFolder(LPWSTR folder, LPCWSTR installed);
