// `ruvexa-pack delta`: checks both full packages as the device does, makes
// the executable patch and the two delta archives beside the output, then
// writes the delta package through a temporary file as `build` does.
#include <filesystem>
#include <iostream>

#include "archive_check.h"
#include "commands.h"
#include "delta_archive.h"
#include "device_names.h"
#include "device_path.h"
#include "exe_diff.h"
#include "host_file.h"
#include "messages.h"
#include "package_check.h"
#include "package_writer.h"
#include "progress.h"
#include "released_files.h"
#include "signed_content.h"
#include "signing_keys.h"
#include "signing_version.h"
#include "temp_file.h"
#include "verdict.h"

namespace fs = std::filesystem;

namespace pack {
namespace {

// A full package the device would accept, with its head and tail.
bool CheckFullPackage(const std::string& hostPath, PackageInfo* info, std::string* error) {
    std::wstring devicePath;
    if (!OpenableDevicePath(hostPath, &devicePath, error)) return false;
    UseHostRootAsDevice();
    const CheckResult result = CheckPackage(devicePath);
    if (!result.ok) {
        *error = "'" + hostPath + "' is no sound package: " + (result.hostFileProblem ? result.reason : RejectionText(result));
        return false;
    }
    if (IsDeltaPackage(result.info)) {
        *error = "'" + hostPath + "' is a delta package; --from and --to take full packages";
        return false;
    }
    *info = result.info;
    return true;
}

bool ReadExe(const std::string& hostPath, const PackageInfo& info, std::vector<uint8_t>* bytes, std::string* error) {
    HostFile file;
    if (!file.OpenForReading(hostPath, error)) return false;
    bytes->resize(info.exe_size);
    if (file.ReadAt(kExeSectionOffset, bytes->data(), bytes->size()) != bytes->size()) {
        *error = file.LastError();
        return false;
    }
    return true;
}

bool WriteBytes(TempFile& temp, const std::vector<uint8_t>& bytes, std::string* error) {
    HostFile out;
    return out.OpenForWriting(temp.Path(), false, 0, error) && out.WriteAll(bytes.data(), bytes.size(), error) &&
           out.Close(error);
}

std::string Percent(uint64_t part, uint64_t whole) {
    char text[16];
    std::snprintf(text, sizeof(text), "%.1f%%", whole ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0);
    return text;
}

std::string ArchiveSummary(const char* what, const DeltaArchiveSummary& summary) {
    return std::string(what) + ": " + std::to_string(summary.carriedFiles) + " files carried, " +
           std::to_string(summary.takenFiles) + " taken from the device (" + std::to_string(summary.takenBytes) +
           " bytes)";
}

// A delta this close to the full package's size saves the devices little
// download, and it installs only over exactly --from.
constexpr uint64_t kWorthwhileDeltaPercent = 90;

}  // namespace

int RunDelta(const Arguments& arguments) {
    QuietResults quiet(arguments.quiet);
    std::string error;
    const std::string& output = arguments.output;
    const std::string signaturePath = output + HostText(kSignatureSuffix);
    const bool signing = !arguments.key.empty();
    if (!CheckPackageOutput(output, {{arguments.from, "--from"}, {arguments.to, "--to"}, {arguments.key, "--sign"}},
                            &error) ||
        !MayReplace(output, arguments.force, &error) || (signing && !MayReplace(signaturePath, arguments.force, &error))) {
        return Fail(error);
    }
    WarnUnlessPackageName(output);

    PackageInfo from{}, to{};
    if (!CheckFullPackage(arguments.from, &from, &error) || !CheckFullPackage(arguments.to, &to, &error)) {
        return Fail(error);
    }
    if (from.checksum == to.checksum) {
        return Fail("'" + arguments.from + "' and '" + arguments.to + "' are the same package (checksum " +
                    Hex(to.checksum) + "): a delta takes the package installed on the devices as --from and a "
                    "newer one as --to");
    }
    SecretKey key;
    if (signing && !LoadSecretKey(arguments.key, &key, &error)) return Fail(error);
    // A device that installed --to holds its version as its floor, so the
    // delta that brings the same release is signed at it too.
    const std::string targetSignature = arguments.to + HostText(kSignatureSuffix);
    const std::optional<uint32_t> target = SignedSecurityVersion(targetSignature);
    std::error_code ignored;
    if (signing && !target && fs::exists(targetSignature, ignored)) {
        Warn("'" + targetSignature + "' is no signature file, so the --to package's security version is unknown");
    }
    const SigningVersion version =
        ChooseSigningVersion(arguments.securityVersion, target, "that of the --to package");
    if (signing && (!KeepsSecurityVersion(version, target, "the --to package '" + arguments.to + "' is signed at",
                                          arguments.allowLower, &error) ||
                    !KeepsSecurityVersion(version, SignedSecurityVersion(signaturePath),
                                          "'" + signaturePath + "' holds", arguments.allowLower, &error))) {
        return Fail(error);
    }
    SignedContent content;
    if (!LoadSignedContent(arguments, &content, &error)) return Fail(error);

    Progress progress(arguments.quiet);
    TempFile package, exeSection, imagesZip, fontsZip, signature;
    if (!package.CreateBeside(output, "tmp", &error)) return Fail(error);

    progress.Step("making the executable patch");
    std::vector<uint8_t> oldExe, newExe, patch;
    if (!ReadExe(arguments.from, from, &oldExe, &error) || !ReadExe(arguments.to, to, &newExe, &error) ||
        !MakeExePatch(oldExe, newExe, &patch, &error)) {
        return Fail(error);
    }
    const bool patched = patch.size() < newExe.size();
    const std::vector<uint8_t>& exeBytes = patched ? patch : newExe;
    if (!exeSection.CreateBeside(output, "exe", &error) || !WriteBytes(exeSection, exeBytes, &error)) return Fail(error);
    std::string exeLine;
    if (!ManifestLineText(patched ? ManifestKind::kExePatch : ManifestKind::kExeWhole, to.exe_size, CrcOf(newExe), "",
                          &exeLine, &error)) {
        return Fail(error);
    }

    progress.Step("writing the delta archives");
    DeltaArchiveSummary images, fonts;
    SectionSource imagesSource, fontsSource;
    const ArchiveWindow oldImages{arguments.from, ImagesSectionOffset(from), from.images_size};
    const ArchiveWindow newImages{arguments.to, ImagesSectionOffset(to), to.images_size};
    if (!imagesZip.CreateBeside(output, "images", &error) ||
        !WriteDeltaArchive(oldImages, newImages, exeLine, imagesZip.Path(), &images, &error)) {
        return Fail(error);
    }
    imagesSource = {imagesZip.Path(), fs::file_size(imagesZip.Path())};
    if (!ArchiveUnpacks(imagesSource.path, ArchiveKind::Images, progress, &error)) return Fail(error);
    if (to.fonts_size > 0) {
        const ArchiveWindow oldFonts{arguments.from, FontsSectionOffset(from), from.fonts_size};
        const ArchiveWindow newFonts{arguments.to, FontsSectionOffset(to), to.fonts_size};
        if (!fontsZip.CreateBeside(output, "fonts", &error) ||
            !WriteDeltaArchive(oldFonts, newFonts, "", fontsZip.Path(), &fonts, &error)) {
            return Fail(error);
        }
        fontsSource = {fontsZip.Path(), fs::file_size(fontsZip.Path())};
        if (!ArchiveUnpacks(fontsSource.path, ArchiveKind::Fonts, progress, &error)) return Fail(error);
    }
    const SectionSource exe{exeSection.Path(), exeBytes.size()};
    const uint64_t total = kPackageFrameSize + exe.size + imagesSource.size + fontsSource.size;
    if (total > kLargestPackageSize) return Fail("the delta package would be 4 GiB or larger");

    DWORD checksum = 0;
    progress.Step("writing the package");
    const bool written =
        WritePackage(exe, imagesSource, fontsSource, package.Path(), &checksum, &error, kDeltaPackageSignature);
    progress.Clear();
    if (!written) return Fail(error);
    if (signing && !WriteSignature(package.Path(), key, version.value, signaturePath, &signature, &error, content)) {
        return Fail(error);
    }
    if (!package.RenameTo(output, &error)) return Fail(error);
    if (signing && !signature.RenameTo(signaturePath, &error)) return Fail(error);

    const uint64_t full = kPackageFrameSize + uint64_t{to.data_size};
    std::cout << "wrote '" << output << "': " << total << " bytes, " << Percent(total, full) << " of the "
              << full << " bytes of '" << arguments.to << "'; checksum " << Hex(checksum) << "\n"
              << "exe: " << (patched ? "patch of " + std::to_string(exe.size) + " bytes for " : "whole, ")
              << to.exe_size << " bytes\n"
              << ArchiveSummary("images", images) << "\n";
    if (to.fonts_size > 0) std::cout << ArchiveSummary("fonts", fonts) << "\n";
    if (signing) {
        std::cout << "wrote '" << signaturePath << "': key id " << KeyIdText(key.keyId) << ", "
                  << SigningVersionText(version) << SignedContentText(content) << "\n";
    }
    if (total * 100 >= full * kWorthwhileDeltaPercent) {
        Warn("the delta '" + output + "' is " + std::to_string(total) + " bytes, " + Percent(total, full) + " of the " +
             std::to_string(full) + " bytes of the full package '" + arguments.to +
             "': it saves the devices little, and installs only over exactly '" + arguments.from +
             "'; consider shipping the full package instead");
    }
    return kExitSuccess;
}

}  // namespace pack
