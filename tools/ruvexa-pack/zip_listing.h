// What an archive section holds, read from its central directory with
// minizip, and what the device would make of its names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive_check.h"

namespace pack {

struct ZipEntry {
    std::string name;  // as stored, "/" separators
    uint64_t size = 0;  // uncompressed
    bool folder = false;
};

// The entries of the zip archive held in bytes [offset, offset + size) of a
// host file: a zip file, or a section inside a package.
bool ListZip(const std::string& hostFile, uint64_t offset, uint64_t size, std::vector<ZipEntry>* entries,
             std::string* error);

// The device folder an archive of this kind is installed as
// ("\NandFlash\Merrow\Images").
std::string InstalledFolder(ArchiveKind kind);

// The device path an entry is installed at.
std::string InstalledPath(ArchiveKind kind, const ZipEntry& entry);

// A name as the device's FAT compares it: without regard to (ASCII) case.
std::string FoldedCase(std::string name);

// The names an archive's own folder goes by, without regard to case: the
// folder the device installs it as ("Images", "Font") and "images" or
// "fonts". An archive whose entries all lie under a folder of such a name
// was zipped from outside that folder.
bool IsArchiveFolderName(const std::string& name, ArchiveKind kind);

// Warns when every entry lies under one top-level folder named as the
// archive itself, as `zip -r images.zip images` makes: the device installs
// that folder too, one level deeper than the application looks. Another
// single folder ("photos/") is a layout of its own and draws nothing.
// `zippedFolder`: the host folder build zipped the archive from, if it did;
// the advice then names the folder inside it to give instead.
void WarnIfAllInOneFolder(const std::vector<ZipEntry>& entries, ArchiveKind kind,
                          const std::string& zippedFolder = "");
// The same for the archive file `hostFile` of `size` bytes (none: nothing to
// say); an archive that cannot be listed only costs the warning, since the
// dry run judges it.
void WarnAboutArchiveLayout(const std::string& hostFile, uint64_t size, ArchiveKind kind,
                            const std::string& zippedFolder = "");

}  // namespace pack
