// What a folder given for --images or --fonts holds that is no part of that
// archive: the device's executable, the other archive's folder, an upgrade
// package. A whole release folder given by mistake holds all three, and the
// device would install them among the images.
#pragma once

#include <string>

#include "archive_check.h"

namespace pack {

// Warns, naming what it found, when `folder` (the --images or --fonts
// folder) holds a file named as the device's executable (without regard to
// case) or the file `exePath` itself, an upgrade package, or at its top a
// folder named as the other archive's ("fonts" or "Font" in the images
// folder, "images" in the fonts folder).
void WarnAboutFolderContents(const std::string& folder, ArchiveKind kind, const std::string& exePath);

}  // namespace pack
