// The archive sections of a delta package: what the target archive holds
// that the installed one lacks or holds otherwise, and the manifest of the
// whole target tree (format/delta_manifest.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "delta_manifest.h"
#include "zip_listing.h"

namespace pack {

// A zip archive at bytes [offset, offset + size) of a host file.
struct ArchiveWindow {
    std::string file;
    uint64_t offset = 0;
    uint64_t size = 0;  // 0: there is no archive
};

struct DeltaArchiveSummary {
    // The images manifest's exe line: "patch" or "whole" (empty elsewhere)
    // and the new executable's size.
    std::string exeKind;
    uint64_t exeSize = 0;
    uint64_t takenFiles = 0;    // taken from the installed folder
    uint64_t takenBytes = 0;    // their size, unpacked
    uint64_t carriedFiles = 0;  // new or changed, carried in the archive
    std::vector<ZipEntry> files;  // read from a manifest: every file of the new folder
};

// Appends to `line` the manifest line (its end included) the format's writer
// makes of these values; false, with the reason, when the device's reader
// would not take it back.
bool ManifestLineText(ManifestKind kind, uint64_t size, uint32_t crc, const std::string& path, std::string* line,
                      std::string* error);

// Writes to `zipPath` the delta of `target` against `installed` (which may
// be absent): the target's folder entries and its files that are new or
// changed, copied as stored, then the manifest, with `exeLine` (a whole
// line from ManifestLineText, or empty) after its first line. Files match by name (regardless of case, as
// on the device), size and CRC-32.
bool WriteDeltaArchive(const ArchiveWindow& installed, const ArchiveWindow& target, const std::string& exeLine,
                       const std::string& zipPath, DeltaArchiveSummary* summary, std::string* error);

// What the manifest of the delta archive `archive` lists; false with the
// reason when there is none or a line is not of the manifest's form.
bool ReadDeltaSummary(const ArchiveWindow& archive, DeltaArchiveSummary* summary, std::string* error);

}  // namespace pack
