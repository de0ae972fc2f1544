// ManifestReader: the lines of a delta archive's manifest (format's
// delta_manifest.h), read one at a time from the archive itself, so that no
// manifest is held in memory whole.
#pragma once

#include <windows.h>

#include "delta_manifest.h"
#include "zip_entry_reader.h"

class ManifestReader : private ManifestSource {
public:
    // Opens the manifest of the archive at `archive` and checks its first
    // line; false when there is none or it is not a manifest.
    bool Open(LPCWSTR archive);
    ManifestRead Next(ManifestLine* line) { return lines_.Next(line); }

private:
    int Read(void* buffer, DWORD size) override { return entry_.Read(buffer, size); }

    ZipEntryReader entry_;
    ManifestLineReader lines_;
};
