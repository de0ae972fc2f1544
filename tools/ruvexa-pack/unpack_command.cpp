// `ruvexa-pack unpack`: verifies a package without writing, then writes its
// sections to a folder under the names the device gives them.
#include <filesystem>
#include <iostream>

#include "commands.h"
#include "counts.h"
#include "device_names.h"
#include "device_path.h"
#include "messages.h"
#include "package_check.h"
#include "package_verification.h"
#include "verdict.h"

namespace fs = std::filesystem;

namespace pack {
namespace {

// Why a folder cannot be made: the part of its path that is a file, or the
// host's reason.
std::string InTheWay(const fs::path& folder, const std::error_code& failure) {
    fs::path prefix;
    std::error_code ignored;
    for (const fs::path& part : folder) {
        prefix /= part;
        if (fs::exists(prefix, ignored) && !fs::is_directory(prefix, ignored)) {
            return "'" + prefix.string() + "' is a file";
        }
    }
    return failure.message();
}

}  // namespace

int RunUnpack(const Arguments& arguments) {
    const std::string& package = arguments.packages.front();
    std::wstring packagePath;
    std::string error;
    if (!OpenableDevicePath(package, &packagePath, &error)) return Fail(error);
    UseHostRootAsDevice();

    // A package the device would refuse is not unpacked at all.
    Progress progress(arguments.quiet);
    std::string text;
    Verification verdict = VerifyPackage(packagePath, L"", progress, &text);
    progress.Clear();
    if (verdict == Verification::HostProblem) return Fail(text);
    if (verdict == Verification::Rejected) {
        std::cout << text << "\n";
        return Fail("'" + package + "' not unpacked");
    }

    const std::string& folder = arguments.folder;
    const fs::path out(folder);
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) return Fail("cannot create the folder '" + folder + "': " + InTheWay(out, ec));
    std::wstring folderPath;
    std::string reason;
    if (!DevicePathOf(folder, &folderPath, &reason)) return Fail("'" + folder + "': " + reason);
    const SectionFiles outputs = SectionFilesIn(folderPath, folder);
    for (DWORD i = 0; i < kPackageSectionCount; ++i) {
        if (outputs.paths[i].size() >= MAX_PATH) {
            return Fail("'" + folder + "': the paths of the files in it would be too long for the device layer");
        }
        const fs::path file = out / HostText(kSectionFileNames[i]);
        if (fs::is_directory(file, ec)) return Fail("cannot write '" + file.string() + "': it is a folder");
    }

    progress.Step("writing the sections");
    CheckResult result = ExtractPackage(packagePath, outputs);
    progress.Clear();
    if (!result.ok && result.hostFileProblem) return Fail(result.reason);
    if (!result.ok) {
        std::cout << RejectionText(result) << "\n";
        return Fail("'" + package + "' not unpacked");
    }
    // Only an optional section can be empty in a package that passed.
    for (DWORD i = 0; i < kPackageSectionCount; ++i) {
        const std::string name = HostText(kPackageSections[i].name);
        const fs::path file = out / HostText(kSectionFileNames[i]);
        const DWORD size = result.info.*kPackageSections[i].size;
        if (size > 0) {
            if (!arguments.quiet) std::cout << "wrote " << file.string() << " (" << Counted(size, "byte") << ")\n";
            continue;
        }
        if (!arguments.quiet) std::cout << "no " << name << " section (" << name << "_size is 0): " << HostText(kSectionFileNames[i])
                  << " not written\n";
        if (fs::exists(file, ec)) Warn("'" + file.string() + "' is left from before; it is not part of this package");
    }
    return kExitSuccess;
}

}  // namespace pack
