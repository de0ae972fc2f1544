// ManifestReader: the manifest entry of a zip archive as the source of the
// format's line reader.
#include "delta_manifest_reader.h"

bool ManifestReader::Open(LPCWSTR archive) {
    return entry_.Open(archive, kManifestEntryName) && lines_.Begin(this);
}
