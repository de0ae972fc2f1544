// Finding the program's resources by id, for the loaders and the dialog
// manager.
#pragma once

#include <windows.h>

#include "ruvexa_resources.h"

namespace host {

// The numeric id of a resource name made with MAKEINTRESOURCEW; false for a
// name given as text (the program names every resource by number).
bool ResourceIdOf(LPCWSTR name, UINT* id);

const StringResource* FindStringResource(UINT id);
const FileResource* FindBitmapResource(UINT id);
const FileResource* FindIconResource(UINT id);
const AcceleratorResource* FindAcceleratorResource(UINT id);
const DialogResource* FindDialogResource(UINT id);

// The icon resource behind an HICON from LoadIconW, or null.
const FileResource* IconResourceOf(HICON icon);

}  // namespace host
