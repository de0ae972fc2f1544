// `ruvexa-pack build`: checks and prepares the three inputs (zipping folders),
// then writes the package beside its final name and renames it into place.
#include <cstring>
#include <filesystem>
#include <iostream>

#include "archive_check.h"
#include "commands.h"
#include "counts.h"
#include "device_names.h"
#include "folder_contents.h"
#include "host_file.h"
#include "messages.h"
#include "package_constants.h"
#include "package_writer.h"
#include "progress.h"
#include "released_files.h"
#include "signed_content.h"
#include "signing_keys.h"
#include "signing_version.h"
#include "temp_file.h"
#include "zip_folder.h"
#include "zip_listing.h"

namespace fs = std::filesystem;

namespace pack {
namespace {

// Where the installation unpacks each archive on the device; used only to
// warn about entry names that would not fit in a device path there.
const std::wstring kImagesInstallFolder = TemporaryFolderOf(kInstalledImages);
const std::wstring kFontsInstallFolder = TemporaryFolderOf(kInstalledFont);

// The kind of file at `path`, following links; false with the host's
// reason when there is none.
bool StatusOf(const std::string& path, fs::file_status* status, std::string* error) {
    std::error_code failure;
    *status = fs::status(path, failure);
    if (failure) *error = "'" + path + "': " + failure.message();
    return !failure;
}

// An archive section: a zip file taken as is, or a folder zipped into a
// temporary file beside the output; `zippedFrom` is then the folder.
bool PrepareArchive(const std::string& given, ArchiveKind kind, const std::string& exe, const std::string& output,
                    TempFile* zipped, SectionSource* source, std::string* zippedFrom, Progress& progress,
                    std::string* error) {
    const std::string what = kind == ArchiveKind::Images ? "images" : "fonts";
    fs::file_status status;
    if (!StatusOf(given, &status, error)) return false;
    if (fs::is_directory(status)) {
        WarnAboutFolderContents(given, kind, exe);
        // The count shows once the folder is read: the warnings about its
        // entries come first, each on a line of its own.
        const std::string step = "zipping the " + what + " folder";
        if (!zipped->CreateBeside(output, what, error)) return false;
        ZipSummary summary;
        const auto counter = [&](size_t done, size_t total) { progress.Count(step, done, total, "file"); };
        const std::wstring installFolder = kind == ArchiveKind::Images ? kImagesInstallFolder : kFontsInstallFolder;
        if (!ZipFolder(given, zipped->Path(), installFolder, &summary, error, counter)) return false;
        HostFile zip;
        if (!zip.OpenForReading(zipped->Path(), error)) return false;
        progress.Clear();
        std::cout << "zipped " << what << " folder '" << given << "': " << Counted(summary.files, "file") << ", "
                  << Counted(summary.folders, "folder") << ", " << Counted(zip.Size(), "byte") << "\n";
        *source = {zipped->Path(), zip.Size()};
        *zippedFrom = given;
        return true;
    }
    if (!fs::is_regular_file(status)) {
        *error = "'" + given + "' is neither a file nor a folder";
        return false;
    }
    HostFile file;
    if (!file.OpenForReading(given, error)) return false;
    BYTE magic[sizeof(kPackageSignatureBytes)] = {};
    if (file.ReadAt(0, magic, sizeof(magic)) == sizeof(magic) &&
        std::memcmp(magic, kPackageSignatureBytes, sizeof(magic)) == 0) {
        *error = "'" + given + "' is an upgrade package, not a zip archive: --" + what +
                 " takes the " + what + " archive (a zip file or a folder)";
        return false;
    }
    *source = {given, file.Size()};
    return true;
}

// What the first bytes of a file given as --exe say it is, when it is
// something --exe cannot take: a package or a zip archive. Empty otherwise.
std::string NotAnExecutable(HostFile& file) {
    BYTE magic[4] = {};
    if (file.ReadAt(0, magic, sizeof(magic)) != sizeof(magic)) return "";
    if (std::memcmp(magic, kPackageSignatureBytes, sizeof(magic)) == 0) {
        return "an upgrade package (it starts with \"3-VO\")";
    }
    if (std::memcmp(magic, kDeltaPackageSignatureBytes, sizeof(magic)) == 0) {
        return "a delta upgrade package (it starts with \"3-VD\")";
    }
    // A zip archive starts with an entry's local header, or, holding
    // nothing, with its end record.
    if (std::memcmp(magic, "PK\3\4", sizeof(magic)) == 0 || std::memcmp(magic, "PK\5\6", sizeof(magic)) == 0) {
        return "a zip archive";
    }
    return "";
}

}  // namespace

int RunBuild(const Arguments& arguments) {
    QuietResults quiet(arguments.quiet);
    std::string error;
    const std::string& output = arguments.output;
    const std::string signaturePath = output + HostText(kSignatureSuffix);
    const bool signing = !arguments.key.empty();
    if (!CheckPackageOutput(output,
                            {{arguments.exe, "--exe"}, {arguments.images, "--images"}, {arguments.fonts, "--fonts"},
                             {arguments.key, "--sign"}},
                            &error) ||
        !MayReplace(output, arguments.force, &error) || (signing && !MayReplace(signaturePath, arguments.force, &error))) {
        return Fail(error);
    }
    WarnUnlessPackageName(output);

    HostFile exeFile;
    if (!exeFile.OpenForReading(arguments.exe, &error)) return Fail(error);
    // The device refuses a package without an exe (Err0D) or images (Err23).
    if (exeFile.Size() == 0) return Fail("'" + arguments.exe + "' is empty: the device refuses a package whose exe section is empty (Err0D)");
    const std::string exeKind = NotAnExecutable(exeFile);
    if (!exeKind.empty()) {
        return Fail("'" + arguments.exe + "' is " + exeKind + ", not an executable: --exe takes the application's "
                    "executable, which the device installs as " + HostText(kInstalledExe));
    }
    SectionSource exe{arguments.exe, exeFile.Size()};

    // The key is read first, so that a wrong one fails before any long work.
    SecretKey key;
    if (signing && !LoadSecretKey(arguments.key, &key, &error)) return Fail(error);
    // Over an earlier package, its signature's version is the floor of the
    // devices that installed it.
    const SigningVersion version = ChooseSigningVersion(arguments.securityVersion, std::nullopt, "");
    if (signing && !KeepsSecurityVersion(version, SignedSecurityVersion(signaturePath), "'" + signaturePath + "' holds",
                                         arguments.allowLower, &error)) {
        return Fail(error);
    }
    SignedContent content;
    if (!LoadSignedContent(arguments, &content, &error)) return Fail(error);

    Progress progress(arguments.quiet);
    TempFile imagesZip, fontsZip, package, signature;
    // First, so that an output folder that cannot take the package fails
    // before any long work.
    if (!package.CreateBeside(output, "tmp", &error)) return Fail(error);
    SectionSource images, fonts;
    std::string imagesFolder, fontsFolder;
    if (!PrepareArchive(arguments.images, ArchiveKind::Images, arguments.exe, output, &imagesZip, &images,
                        &imagesFolder, progress, &error)) {
        return Fail(error);
    }
    if (images.size == 0) {
        return Fail("'" + arguments.images + "' is empty: the device refuses a package whose images section is empty (Err23)");
    }
    if (!ArchiveUnpacks(images.path, ArchiveKind::Images, progress, &error)) return Fail(error);
    WarnAboutArchiveLayout(images.path, images.size, ArchiveKind::Images, imagesFolder);
    if (!arguments.fonts.empty()) {
        if (!PrepareArchive(arguments.fonts, ArchiveKind::Fonts, arguments.exe, output, &fontsZip, &fonts,
                            &fontsFolder, progress, &error)) {
            return Fail(error);
        }
        if (fonts.size > 0 && !ArchiveUnpacks(fonts.path, ArchiveKind::Fonts, progress, &error)) return Fail(error);
        WarnAboutArchiveLayout(fonts.path, fonts.size, ArchiveKind::Fonts, fontsFolder);
    }
    uint64_t total = kPackageFrameSize + exe.size + images.size + fonts.size;
    if (total > kLargestPackageSize) {
        return Fail("the package would be " + std::to_string(total) + " bytes; it must stay below 4 GiB");
    }

    DWORD checksum = 0;
    progress.Step("writing the package");
    bool written = WritePackage(exe, images, fonts, package.Path(), &checksum, &error);
    progress.Clear();
    if (!written) return Fail(error);
    if (signing && !WriteSignature(package.Path(), key, version.value, signaturePath, &signature, &error, content)) {
        return Fail(error);
    }
    if (!package.RenameTo(output, &error)) return Fail(error);
    if (signing && !signature.RenameTo(signaturePath, &error)) return Fail(error);
    std::error_code ignored;
    if (!signing && fs::exists(signaturePath, ignored)) {
        Warn("'" + signaturePath + "' is left from an earlier package and does not sign this one: a device with a "
             "trusted key refuses the package (Err0E)");
    }

    std::cout << "wrote '" << output << "': " << total << " bytes; exe " << exe.size << ", images " << images.size
              << ", fonts " << fonts.size << " bytes; checksum " << Hex(checksum) << "\n";
    if (signing) {
        std::cout << "wrote '" << signaturePath << "': key id " << KeyIdText(key.keyId) << ", "
                  << SigningVersionText(version) << SignedContentText(content) << "\n";
    }
    return kExitSuccess;
}

}  // namespace pack
