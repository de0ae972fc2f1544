// The whole verification of a package, as far as the device's checks go
// before it changes anything installed: the extraction worker's checks,
// then the installation's check of a delta's sections and its unpacking of
// both archives, run dry.
#pragma once

#include <string>

#include "package_check.h"
#include "progress.h"

namespace pack {

enum class Verification {
    Sound,        // the device would install it; `text`: with a key, its security version
    Rejected,     // `text`: the device's code, the reason and its log line
    HostProblem,  // `text`: a temporary host file could not be written, and why
};

// `packagePath` is a device path (the host's root serving as device root);
// `trustedKey`, when not empty, the device path of the key a device trusts.
// `note`, for a sound delta: the one line on what only the device can check.
Verification VerifyPackage(const std::wstring& packagePath, const std::wstring& trustedKey, Progress& progress,
                           std::string* text, std::string* note = nullptr);

}  // namespace pack
