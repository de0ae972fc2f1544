// An upgrade attempt as the search leaves it, for tests that start a stage
// on given paths rather than on a search's result.
#pragma once

#include <windows.h>

#include <cwchar>

#include "upgrade_attempt.h"

namespace testing_support {

// The attempt for `package` from the download folder (remote) or a USB
// disk, its sections at the given paths; nothing verified yet. A null path
// stays empty.
inline UpgradeAttempt AttemptFor(bool remote, LPCWSTR package, LPCWSTR exe, LPCWSTR images, LPCWSTR fonts) {
    UpgradeAttempt attempt = {};
    attempt.remote = remote;
    const struct {
        WCHAR* to;
        LPCWSTR from;
    } paths[] = {{attempt.package_file, package},
                 {attempt.exe_file, exe},
                 {attempt.images_file, images},
                 {attempt.fonts_file, fonts}};
    for (const auto& path : paths) {
        if (path.from) std::wcsncpy(path.to, path.from, MAX_PATH - 1);
    }
    return attempt;
}

}  // namespace testing_support
