// `ruvexa-pack build`: checks and prepares the three inputs (zipping folders),
// then writes the package beside its final name and renames it into place.
#include <cstring>
#include <filesystem>
#include <iostream>

#include "archive_check.h"
#include "commands.h"
#include "device_names.h"
#include "host_file.h"
#include "messages.h"
#include "package_constants.h"
#include "package_writer.h"
#include "progress.h"
#include "signed_content.h"
#include "signing_keys.h"
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
// temporary file beside the output.
bool PrepareArchive(const std::string& given, const std::string& what, const std::wstring& installFolder,
                    const std::string& output, TempFile* zipped, SectionSource* source, Progress& progress,
                    std::string* error) {
    fs::file_status status;
    if (!StatusOf(given, &status, error)) return false;
    if (fs::is_directory(status)) {
        progress.Step("zipping the " + what + " folder");
        if (!zipped->CreateBeside(output, what, error)) return false;
        ZipSummary summary;
        if (!ZipFolder(given, zipped->Path(), installFolder, &summary, error)) return false;
        HostFile zip;
        if (!zip.OpenForReading(zipped->Path(), error)) return false;
        progress.Clear();
        std::cout << "zipped " << what << " folder '" << given << "': " << summary.files << " files, "
                  << summary.folders << " folders, " << zip.Size() << " bytes\n";
        *source = {zipped->Path(), zip.Size()};
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

}  // namespace

int RunBuild(const Arguments& arguments) {
    std::string error;
    const std::string& output = arguments.output;
    if (!CheckPackageOutput(output,
                            {{arguments.exe, "--exe"}, {arguments.images, "--images"}, {arguments.fonts, "--fonts"},
                             {arguments.key, "--sign"}},
                            &error)) {
        return Fail(error);
    }
    WarnUnlessPackageName(output);

    HostFile exeFile;
    if (!exeFile.OpenForReading(arguments.exe, &error)) return Fail(error);
    // The device refuses a package without an exe (Err0D) or images (Err23).
    if (exeFile.Size() == 0) return Fail("'" + arguments.exe + "' is empty: the device refuses a package whose exe section is empty (Err0D)");
    SectionSource exe{arguments.exe, exeFile.Size()};

    // The key is read first, so that a wrong one fails before any long work.
    SecretKey key;
    if (!arguments.key.empty() && !LoadSecretKey(arguments.key, &key, &error)) return Fail(error);
    SignedContent content;
    if (!LoadSignedContent(arguments, &content, &error)) return Fail(error);

    Progress progress(arguments.quiet);
    TempFile imagesZip, fontsZip, package, signature;
    // First, so that an output folder that cannot take the package fails
    // before any long work.
    if (!package.CreateBeside(output, "tmp", &error)) return Fail(error);
    SectionSource images, fonts;
    if (!PrepareArchive(arguments.images, "images", kImagesInstallFolder, output, &imagesZip, &images, progress,
                        &error)) {
        return Fail(error);
    }
    if (images.size == 0) {
        return Fail("'" + arguments.images + "' is empty: the device refuses a package whose images section is empty (Err23)");
    }
    if (!ArchiveUnpacks(images.path, ArchiveKind::Images, progress, &error)) return Fail(error);
    WarnAboutArchiveLayout(images.path, images.size, ArchiveKind::Images);
    if (!arguments.fonts.empty()) {
        if (!PrepareArchive(arguments.fonts, "fonts", kFontsInstallFolder, output, &fontsZip, &fonts, progress,
                            &error)) {
            return Fail(error);
        }
        if (fonts.size > 0 && !ArchiveUnpacks(fonts.path, ArchiveKind::Fonts, progress, &error)) return Fail(error);
        WarnAboutArchiveLayout(fonts.path, fonts.size, ArchiveKind::Fonts);
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
    const std::string signaturePath = output + HostText(kSignatureSuffix);
    if (!arguments.key.empty() &&
        !WriteSignature(package.Path(), key, arguments.securityVersion, signaturePath, &signature, &error, content)) {
        return Fail(error);
    }
    if (!package.RenameTo(output, &error)) return Fail(error);
    if (!arguments.key.empty() && !signature.RenameTo(signaturePath, &error)) return Fail(error);
    std::error_code ignored;
    if (arguments.key.empty() && fs::exists(signaturePath, ignored)) {
        Warn("'" + signaturePath + "' is left from an earlier package and does not sign this one: a device with a "
             "trusted key refuses the package (Err0E)");
    }

    std::cout << "wrote '" << output << "': " << total << " bytes; exe " << exe.size << ", images " << images.size
              << ", fonts " << fonts.size << " bytes; checksum " << Hex(checksum) << "\n";
    if (!arguments.key.empty()) {
        std::cout << "wrote '" << signaturePath << "': key id " << KeyIdText(key.keyId) << ", security version "
                  << arguments.securityVersion << SignedContentText(content) << "\n";
    }
    return kExitSuccess;
}

}  // namespace pack
