// The package's sections go to a temporary folder through the extraction
// worker's own steps, and its archives through the dry run of their unpacking.
#include "device_names.h"
#include "package_verification.h"

#include "archive_check.h"
#include "delta_archive.h"
#include "device_path.h"
#include "temp_file.h"
#include "verdict.h"
#include "zip_listing.h"

namespace pack {

Verification VerifyPackage(const std::wstring& packagePath, const std::wstring& trustedKey, Progress& progress,
                           std::string* text) {
    TempFolder sections;
    std::wstring folder;
    if (!sections.Create(text)) return Verification::HostProblem;
    if (!DevicePathOf(sections.Path(), &folder, text)) {
        *text = "the temporary folder '" + sections.Path() + "': " + *text;
        return Verification::HostProblem;
    }
    progress.Step("checking the sections and the checksum");
    CheckResult result = ExtractPackage(packagePath, SectionFilesIn(folder), trustedKey);
    if (!result.ok) {
        *text = result.hostFileProblem ? result.reason : RejectionText(result);
        return result.hostFileProblem ? Verification::HostProblem : Verification::Rejected;
    }
    const struct {
        ArchiveKind kind;
        LPCWSTR name;
        DWORD size;
    } archives[] = {{ArchiveKind::Images, kImagesFileName, result.info.images_size},
                    {ArchiveKind::Fonts, kFontsFileName, result.info.fonts_size}};
    for (const auto& archive : archives) {
        if (archive.size == 0) continue;
        const std::string file = sections.Path() + "/" + HostText(archive.name);
        WarnAboutArchiveLayout(file, archive.size, archive.kind);
        if (!ArchiveUnpacks(file, archive.kind, progress, text)) return Verification::Rejected;
        // A delta's manifests are read by the installation before it
        // changes anything; one it cannot use stops it with Err83.
        if (!IsDeltaPackage(result.info)) continue;
        DeltaArchiveSummary summary;
        std::string reason;
        if (ReadDeltaSummary({file, 0, archive.size}, &summary, &reason) && archive.kind == ArchiveKind::Images &&
            summary.exeKind.empty()) {
            reason = "it has no exe line";
        }
        if (!reason.empty()) {
            *text = RejectionText("Err83", "the manifest of " + HostText(archive.name) + ": " + reason, "");
            return Verification::Rejected;
        }
    }
    if (!trustedKey.empty()) *text = "security version " + std::to_string(result.securityVersion);
    return Verification::Sound;
}

}  // namespace pack
