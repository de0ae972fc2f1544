// An archive section unpacked by the program's Unzipper with the device's
// own UnzipAll onto a dry volume, which checks every name, path and byte of
// data as the device's file system would and writes nothing; the entry it
// stopped on is named.
#include "archive_check.h"

#include "install_codes.h"
#include "device_names.h"
#include "device_paths.h"
#include "program_log.h"
#include "progress.h"
#include "ruvexa_dry_volume.h"
#include "ruvexa_host.h"
#include "unzipper.h"
#include "verdict.h"

namespace pack {
namespace {

constexpr wchar_t kArchiveDevicePath[] = L"\\Archive.zi";

std::string MethodNote(const EntryInfo& info) {
    if (info.compressionMethod == kStoredMethod || info.compressionMethod == Z_DEFLATED) return "";
    return " (compression method " + std::to_string(info.compressionMethod) +
           "; the device reads only stored (0) and deflated (8) entries)";
}

// Empty when every entry unpacks; otherwise why not.
std::string Unpack(const std::wstring& folder, const std::string& what) {
    Unzipper unzipper;
    if (!unzipper.IsUsable()) return "the extractor has no memory for its buffer";
    if (!unzipper.Open(kArchiveDevicePath)) {
        return "the " + what +
               " section is not a zip archive the device can open (an archive of nothing but its 22-byte end "
               "record cannot be opened either)";
    }
    if (!unzipper.SetOutputFolder(folder.c_str())) return "the output folder cannot be created";
    // An archive without entries counts as unpacked on the device.
    if (unzipper.GetEntryCount() == 0 || unzipper.UnzipAll()) return "";
    // A failed entry stays the current one; after an entry that cannot be
    // reached there is none.
    EntryInfo info{};
    if (!unzipper.GetCurrentEntryInfo(&info)) return "an entry of the " + what + " archive cannot be read";
    std::string name = info.name;
    if (info.nameSize > kEntryNameBufferSize) name += "... (" + std::to_string(info.nameSize) + " bytes)";
    return "the device cannot unpack entry '" + name + "' of the " + what + " archive" + MethodNote(info);
}

}  // namespace

ArchiveCheck DryRunArchive(const std::string& hostZip, ArchiveKind kind) {
    const bool images = kind == ArchiveKind::Images;
    const std::string what = images ? "images" : "fonts";
    ArchiveCheck result;
    result.code = host::WideToUtf8(FailureCode(images ? InstallFailure::kUnzipImages : InstallFailure::kUnzipFont));
    const std::wstring folder = TemporaryFolderOf(images ? kInstalledImages : kInstalledFont);
    // The archive is read in place; what the extractor creates is only
    // recorded, and forgotten afterwards.
    host::UseDryVolume();
    if (host::AddHostFileToDryVolume(kArchiveDevicePath, hostZip, &result.reason)) {
        ProgramLog log;
        result.reason = Unpack(folder, what);
        result.programLine = log.LastFailureLine();
    }
    host::DropDryVolume();
    result.ok = result.reason.empty();
    if (result.ok) result.programLine.clear();
    return result;
}

bool ArchiveUnpacks(const std::string& hostZip, ArchiveKind kind, Progress& progress, std::string* text) {
    progress.Step(std::string("unpacking the ") + (kind == ArchiveKind::Images ? "images" : "fonts") +
                  " archive in a dry run");
    ArchiveCheck check = DryRunArchive(hostZip, kind);
    progress.Clear();
    if (!check.ok) *text = RejectionText(check);
    return check.ok;
}

}  // namespace pack
