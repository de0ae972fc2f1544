// Folder and file helpers every upgrade stage uses: depth-first removal
// of a folder and a find-first existence probe.
#pragma once

#include <windows.h>

// Deletes `folder` (used unchanged, trailing separator included) with all it
// holds, depth first. A failure is logged and the work goes on; nothing is
// retried and no attribute is changed. Returns 1 when the folder had at least
// one entry, 0 when it had none or could not be enumerated: the result does
// not say whether the folder is gone.
int RemoveFolder(LPCWSTR folder);

// 1 when a find-first probe of `path` finds a file or folder, 0 otherwise.
int FileExists(LPCWSTR path);
