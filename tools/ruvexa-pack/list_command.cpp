// `ruvexa-pack list`: what installing a package puts on the device, read
// from the package's own archive sections once it passes the device's checks.
#include <algorithm>
#include <cstdio>

#include "commands.h"
#include "delta_archive.h"
#include "device_names.h"
#include "device_path.h"
#include "install_constants.h"
#include "messages.h"
#include "package_check.h"
#include "ruvexa_host.h"
#include "verdict.h"
#include "zip_listing.h"

namespace pack {
namespace {

void PrintLine(const std::string& size, const std::string& devicePath) {
    std::printf("%12s  %s\n", size.c_str(), devicePath.c_str());
}

}  // namespace

int RunList(const Arguments& arguments) {
    const std::string& package = arguments.packages.front();
    std::wstring devicePath;
    std::string error;
    if (!OpenableDevicePath(package, &devicePath, &error)) return Fail(error);
    UseHostRootAsDevice();
    CheckResult check = CheckPackage(devicePath);
    if (!check.ok && check.hostFileProblem) return Fail(check.reason);
    if (!check.ok) {
        std::printf("%s\n", RejectionText(check).c_str());
        return Fail("'" + package + "' not listed");
    }
    const PackageInfo& info = check.info;
    const struct {
        ArchiveKind kind;
        uint64_t offset;
        uint64_t size;
    } archives[] = {{ArchiveKind::Images, ImagesSectionOffset(info), info.images_size},
                    {ArchiveKind::Fonts, FontsSectionOffset(info), info.fonts_size}};
    // A delta installs the whole tree its manifests list, most of it taken
    // from the device; its archives hold the folders and the rest.
    const bool delta = IsDeltaPackage(info);
    DeltaArchiveSummary manifests[2];
    for (int i = 0; delta && i < 2; ++i) {
        if (archives[i].size > 0 &&
            !ReadDeltaSummary({package, archives[i].offset, archives[i].size}, &manifests[i], &error)) {
            return Fail("'" + package + "': " + error);
        }
    }
    PrintLine(std::to_string(delta ? manifests[0].exeSize : info.exe_size), host::WideToUtf8(kInstalledExe));
    for (int i = 0; i < 2; ++i) {
        const auto& archive = archives[i];
        if (archive.size == 0) continue;
        std::vector<ZipEntry> entries;
        if (!ListZip(package, archive.offset, archive.size, &entries, &error)) return Fail(error);
        if (delta) {
            std::erase_if(entries, [](const ZipEntry& entry) { return !entry.folder; });
            entries.insert(entries.end(), manifests[i].files.begin(), manifests[i].files.end());
            std::sort(entries.begin(), entries.end(),
                      [](const ZipEntry& a, const ZipEntry& b) { return a.name < b.name; });
        }
        WarnIfAllInOneFolder(entries, archive.kind);
        PrintLine("", InstalledFolder(archive.kind) + "\\");
        for (const ZipEntry& entry : entries) {
            PrintLine(entry.folder ? "" : std::to_string(entry.size), InstalledPath(archive.kind, entry));
        }
    }
    return kExitSuccess;
}

}  // namespace pack
