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

// Warns when every entry lies under one top-level folder, as `zip -r` makes
// of a folder named on its command line: the device installs that folder
// too, one level deeper than the application looks.
void WarnIfAllInOneFolder(const std::vector<ZipEntry>& entries, ArchiveKind kind);
// The same for the archive file `hostFile` of `size` bytes (none: nothing to
// say); an archive that cannot be listed only costs the warning, since the
// dry run judges it.
void WarnAboutArchiveLayout(const std::string& hostFile, uint64_t size, ArchiveKind kind);

}  // namespace pack
