// One worker's step of a boot, run in this process on the worker fixture
// instead of a whole boot of build/ruvexa: the installation over the
// sections the extraction leaves beside the package. It posts its one
// result to `window`.
#pragma once

#include <windows.h>

#include "upgrade_package.h"

namespace scenario {

// The installation of `package`, found at the place of a remote or a USB
// upgrade, with rollback off and no trusted key.
void RunInstallationStep(const BuiltPackage& package, bool remote, HWND window, UINT message);

}  // namespace scenario
