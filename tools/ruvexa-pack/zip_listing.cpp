// Reading an archive's central directory with minizip over the host file.
#include "zip_listing.h"

#include <minizip/unzip.h>

#include <cctype>
#include <filesystem>

#include "install_constants.h"
#include "messages.h"
#include "minizip_stream.h"
#include "ruvexa_host.h"

namespace pack {
namespace {

std::string DeviceSeparators(std::string name) {
    for (char& c : name) {
        if (c == '/') c = '\\';
    }
    return name;
}

}  // namespace

std::string FoldedCase(std::string name) {
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

bool ListZip(const std::string& hostFile, uint64_t offset, uint64_t size, std::vector<ZipEntry>* entries,
             std::string* error) {
    HostFile file;
    if (!file.OpenForReading(hostFile, error)) return false;
    MinizipStream stream;
    stream.file = &file;
    stream.offset = offset;
    stream.size = size;
    zlib_filefunc64_def functions = MinizipFunctions(&stream);
    unzFile zip = unzOpen2_64("", &functions);
    if (!zip) {
        *error = "'" + hostFile + "' holds no zip archive that can be read";
        return false;
    }
    int status = unzGoToFirstFile(zip);
    while (status == UNZ_OK) {
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) break;
        std::string name(info.size_filename, '\0');
        unzGetCurrentFileInfo64(zip, &info, name.data(), name.size(), nullptr, 0, nullptr, 0);
        bool folder = !name.empty() && (name.back() == '/' || name.back() == '\\');
        entries->push_back({name, info.uncompressed_size, folder});
        status = unzGoToNextFile(zip);
    }
    unzClose(zip);
    if (status != UNZ_END_OF_LIST_OF_FILE) {
        *error = "the archive in '" + hostFile + "' cannot be read to its end";
        return false;
    }
    return true;
}

std::string InstalledFolder(ArchiveKind kind) {
    return host::WideToUtf8(kind == ArchiveKind::Images ? kInstalledImages : kInstalledFont);
}

std::string InstalledPath(ArchiveKind kind, const ZipEntry& entry) {
    return InstalledFolder(kind) + "\\" + DeviceSeparators(entry.name);
}

bool IsArchiveFolderName(const std::string& name, ArchiveKind kind) {
    const std::string installed = InstalledFolder(kind);
    const std::string own = kind == ArchiveKind::Images ? "images" : "fonts";
    const std::string folded = FoldedCase(name);
    return folded == own || folded == FoldedCase(installed.substr(installed.rfind('\\') + 1));
}

void WarnIfAllInOneFolder(const std::vector<ZipEntry>& entries, ArchiveKind kind, const std::string& zippedFolder) {
    if (entries.empty()) return;
    const std::string first = DeviceSeparators(entries.front().name);
    const size_t end = first.find('\\');
    if (end == std::string::npos || end == 0) return;
    const std::string top = first.substr(0, end + 1);
    for (const ZipEntry& entry : entries) {
        if (FoldedCase(DeviceSeparators(entry.name).substr(0, top.size())) != FoldedCase(top)) return;
    }
    const std::string name = entries.front().name.substr(0, end);
    if (!IsArchiveFolderName(name, kind)) return;
    const std::string what = kind == ArchiveKind::Images ? "images" : "fonts";
    // A folder given to build is zipped from inside; it can only hold the
    // archive's folder one level down.
    const std::string advice =
        zippedFolder.empty()
            ? "make the archive from inside the folder: cd " + name + " && zip -r ../" + what + ".zip ."
            : "give the folder inside it: --" + what + " " +
                  (std::filesystem::path(zippedFolder) / name).lexically_normal().string();
    Warn("every entry of the " + what + " archive is under '" + name + "/': the device will install " +
         InstalledFolder(kind) + "\\" + top + "...; " + advice);
}

void WarnAboutArchiveLayout(const std::string& hostFile, uint64_t size, ArchiveKind kind,
                            const std::string& zippedFolder) {
    std::vector<ZipEntry> entries;
    std::string ignored;
    if (size > 0 && ListZip(hostFile, 0, size, &entries, &ignored)) WarnIfAllInOneFolder(entries, kind, zippedFolder);
}

}  // namespace pack
