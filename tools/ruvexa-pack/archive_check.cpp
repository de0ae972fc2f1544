// The archive check: the device's UnZipFile into a scratch folder that is
// removed afterwards, and the entries' compression methods named in words.
#include "archive_check.h"

#include <minizip/unzip.h>
#include <stdlib.h>

#include <filesystem>

#include "device_path.h"
#include "install_codes.h"
#include "package_check.h"
#include "ruvexa_host.h"
#include "zip_extractor.h"

namespace fs = std::filesystem;

namespace pack {
namespace {

// A folder below the system's temporary folder, removed with all it holds.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "ruvexa-pack-XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// The first entry stored with a method the device cannot read (it reads
// only stored and deflated entries), in words; empty when there is none.
// unzOpen is the layer's, which takes a device path.
std::string UnreadableMethod(const std::wstring& zipPath) {
    unzFile zip = unzOpen(host::WideToUtf8(zipPath).c_str());
    if (!zip) return {};
    std::string found;
    for (int status = unzGoToFirstFile(zip); status == UNZ_OK && found.empty(); status = unzGoToNextFile(zip)) {
        char name[1024];
        unz_file_info info;
        if (unzGetCurrentFileInfo(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) break;
        if (info.compression_method != 0 && info.compression_method != Z_DEFLATED) {
            found = "entry '" + std::string(name) + "' is compressed with method " +
                    std::to_string(info.compression_method) +
                    (info.compression_method == 9 ? " (Deflate64)" : "") +
                    "; the device reads only stored and deflated entries";
        }
    }
    unzClose(zip);
    return found;
}

}  // namespace

bool CheckArchive(const std::string& hostZip, const std::string& shownName, bool fonts, std::string* report) {
    const std::string what = fonts ? "fonts" : "images";
    const std::string code = host::WideToUtf8(InstallFailureCode(fonts ? kInstallUnzipFont : kInstallUnzipImages));
    ScratchFolder scratch;
    std::wstring zipPath, folderPath;
    std::string reason;
    if (scratch.Path().empty() || !DevicePathOf(hostZip, &zipPath, &reason) ||
        !DevicePathOf(scratch.Path() + (fonts ? "/Font_" : "/Images_"), &folderPath, &reason)) {
        *report = "'" + shownName + "': the " + what + " archive cannot be checked" +
                  (reason.empty() ? "" : ": " + reason);
        return false;
    }
    UseHostRootAsDevice();
    ProgramLog log;
    if (UnZipFile(zipPath.c_str(), folderPath.c_str())) return true;
    reason = UnreadableMethod(zipPath);
    *report = code + ": the device cannot unpack the " + what + " archive '" + shownName + "'" +
              (reason.empty() ? "" : ": " + reason);
    for (const std::string& line : log.Lines()) *report += "\n  device log: " + line;
    return false;
}

bool CheckPackageArchives(const std::wstring& packagePath, std::string* report) {
    ScratchFolder scratch;
    std::wstring folder;
    std::string reason;
    if (scratch.Path().empty() || !DevicePathOf(scratch.Path(), &folder, &reason)) {
        *report = "the archives cannot be checked: no scratch folder" + (reason.empty() ? "" : ": " + reason);
        return false;
    }
    const SectionFiles sections{folder + L"\\AppExecute.ex", folder + L"\\AppImages.zi", folder + L"\\AppFonts.zi"};
    const CheckResult written = ExtractPackage(packagePath, sections);
    if (!written.ok) {
        *report = FailureCodeText(written.failureIndex) + ": " + written.reason;
        return false;
    }
    if (!CheckArchive(scratch.Path() + "/AppImages.zi", "images section", false, report)) return false;
    return written.info.fonts_size == 0 || CheckArchive(scratch.Path() + "/AppFonts.zi", "fonts section", true, report);
}

}  // namespace pack
