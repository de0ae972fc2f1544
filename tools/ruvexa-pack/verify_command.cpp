// `ruvexa-pack verify`: the device's checks on each package, writing nothing
// outside a temporary folder.
#include <iostream>

#include "commands.h"
#include "device_names.h"
#include "device_path.h"
#include "messages.h"
#include "package_verification.h"

namespace pack {

int RunVerify(const Arguments& arguments) {
    const bool several = arguments.packages.size() > 1;
    std::wstring trustedKey;
    std::string keyError;
    if (!arguments.key.empty() && !OpenableDevicePath(arguments.key, &trustedKey, &keyError)) return Fail(keyError);
    int status = kExitSuccess;
    for (const std::string& package : arguments.packages) {
        std::wstring devicePath;
        std::string error;
        if (!OpenableDevicePath(package, &devicePath, &error)) {
            status = Fail(error);
            continue;
        }
        WarnUnlessPackageName(package);
        UseHostRootAsDevice();
        Progress progress(arguments.quiet);
        std::string text, note;
        Verification verdict = VerifyPackage(devicePath, trustedKey, progress, &text, &note);
        progress.Clear();
        if (verdict == Verification::HostProblem) {
            status = Fail(text);
            continue;
        }
        // -q: a sound package is not reported; a rejected one still is.
        if (verdict == Verification::Sound && arguments.quiet) continue;
        const std::string shown = verdict != Verification::Sound ? text : text.empty() ? "ok" : "ok, " + text;
        std::cout << (several ? package + ": " : "") << shown << "\n";
        if (!note.empty()) std::cout << note << "\n";
        if (verdict != Verification::Sound) status = kExitFailure;
    }
    return status;
}

}  // namespace pack
