// ManifestReader: the lines of a delta archive's manifest, read one at a
// time from the archive itself, so that no manifest is held in memory whole.
#pragma once

#include <windows.h>

#include "delta_format.h"
#include "zip_entry_reader.h"

enum class ManifestKind { kExeWhole, kExePatch, kTake, kAdd };

struct ManifestLine {
    ManifestKind kind;
    DWORD size;
    DWORD crc;
    // Below the folder, "\" separators, checked to stay inside it; empty
    // for an exe line.
    WCHAR path[MAX_PATH];
};

enum class ManifestRead { kLine, kEnd, kMalformed };

class ManifestReader {
public:
    // Opens the manifest of the archive at `archive` and checks its first
    // line; false when there is none or it is not a manifest.
    bool Open(LPCWSTR archive);
    ManifestRead Next(ManifestLine* line);

private:
    // The next line into line_, without its end; false at the end of the
    // entry or when a line does not fit or cannot be read (failed_).
    bool ReadLine();

    ZipEntryReader entry_;
    char buffer_[kManifestLineCapacity];
    DWORD start_ = 0;
    DWORD filled_ = 0;
    char line_[kManifestLineCapacity];
    bool failed_ = false;
};
