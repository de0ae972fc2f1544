// The package's sections go to a temporary folder through the extraction
// worker's own steps; a delta's sections then meet the installation's own
// package-only check, and the archives the dry run of their unpacking.
#include "device_names.h"
#include "package_verification.h"

#include "archive_check.h"
#include "delta_package_check.h"
#include "device_path.h"
#include "program_log.h"
#include "signed_content.h"
#include "temp_file.h"
#include "verdict.h"
#include "zip_listing.h"

namespace pack {
namespace {

// The installation's own check of a delta's sections, which it runs before
// it switches anything over; false with the device's code and log line.
bool DeltaAgrees(const SectionFiles& files, std::string* text) {
    ProgramLog log;
    DeltaExeLine exe;
    // In kPackageSections' order: the exe, the images, the fonts.
    if (CheckDeltaPackage(files.paths[0].c_str(), files.paths[1].c_str(), files.paths[2].c_str(), &exe)) {
        return true;
    }
    *text = RejectionText("Err83",
                          "the delta's manifests do not read as the device reads them, or disagree with the "
                          "archives or the exe section",
                          log.LastFailureLine());
    return false;
}

}  // namespace

Verification VerifyPackage(const std::wstring& packagePath, const std::wstring& trustedKey, Progress& progress,
                           std::string* text, std::string* note) {
    TempFolder sections;
    std::wstring folder;
    if (!sections.Create(text)) return Verification::HostProblem;
    if (!DevicePathOf(sections.Path(), &folder, text)) {
        *text = "the temporary folder '" + sections.Path() + "': " + *text;
        return Verification::HostProblem;
    }
    progress.Step("checking the sections and the checksum");
    const SectionFiles files = SectionFilesIn(folder);
    CheckResult result = ExtractPackage(packagePath, files, trustedKey);
    if (!result.ok) {
        *text = result.hostFileProblem ? result.reason : RejectionText(result);
        return result.hostFileProblem ? Verification::HostProblem : Verification::Rejected;
    }
    const bool delta = IsDeltaPackage(result.info);
    if (delta && !DeltaAgrees(files, text)) return Verification::Rejected;
    const struct {
        ArchiveKind kind;
        LPCWSTR name;
        DWORD size;
    } archives[] = {{ArchiveKind::Images, kImagesFileName, result.info.images_size},
                    {ArchiveKind::Fonts, kFontsFileName, result.info.fonts_size}};
    for (const auto& archive : archives) {
        if (archive.size == 0) continue;
        const std::string file = sections.Path() + "/" + HostText(archive.name);
        // The progress line is still on a terminal's screen: the warning
        // would run on after its text, and the next step would seem to go
        // on the warning's line.
        progress.Clear();
        WarnAboutArchiveLayout(file, archive.size, archive.kind);
        if (!ArchiveUnpacks(file, archive.kind, progress, text)) return Verification::Rejected;
    }
    if (!trustedKey.empty()) {
        *text = "security version " + std::to_string(result.securityVersion) + SignedContentText(result.signedContent);
    }
    if (delta && note) {
        *note = "verify: the files this delta takes from the installed version, and the executable its patch "
                "applies to, are checked only on the device";
    }
    return Verification::Sound;
}

}  // namespace pack
