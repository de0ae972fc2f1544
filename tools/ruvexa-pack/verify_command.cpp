// `ruvexa-pack verify`: the device's checks on a package, then its archives
// unpacked as the installation would, in a scratch folder.
#include <iostream>

#include "archive_check.h"
#include "commands.h"
#include "device_path.h"
#include "messages.h"
#include "package_check.h"
#include "verdict.h"

namespace pack {

int RunVerify(const Arguments& arguments) {
    std::wstring devicePath;
    std::string error;
    if (!OpenableDevicePath(arguments.package, &devicePath, &error)) return Fail(error);
    UseHostRootAsDevice();
    CheckResult result = CheckPackage(devicePath);
    if (!result.ok) {
        PrintRejection(result);
        return kExitFailure;
    }
    // The sections are sound; the installation must also unpack them.
    if (!CheckPackageArchives(devicePath, &error)) {
        std::cout << error << "\n";
        return kExitFailure;
    }
    std::cout << "ok\n";
    return kExitSuccess;
}

}  // namespace pack
