// The installation's unpacking of an archive section, run dry: the device's
// own extractor unpacks the archive onto a dry volume (nothing is written to
// the host), at the path the installation unpacks it to, so that names too
// long there fail as they would on the device.
#pragma once

#include <string>

namespace pack {

enum class ArchiveKind { Images, Fonts };

struct ArchiveCheck {
    bool ok = false;
    std::string code;         // what the device would show: "Err40" (images), "Err50" (fonts)
    std::string reason;       // names the entry the device stops at
    std::string programLine;  // the program's own log line for it, if it logged one
};

// `hostZip` is the archive as a host file.
ArchiveCheck DryRunArchive(const std::string& hostZip, ArchiveKind kind);

class Progress;

// The dry run as a step of a longer command, shown as its progress. False
// with the rejection, as the device would give it, in `text`.
bool ArchiveUnpacks(const std::string& hostZip, ArchiveKind kind, Progress& progress, std::string* text);

}  // namespace pack
