// CheckDeltaFits, BuildDeltaFolder, PrepareDeltaExe: a delta package's
// manifests (delta_manifest.h) and patch (exe_patch.h) applied to the
// installed version.
#include "delta_install.h"

#include <strsafe.h>

#include "checked_files.h"
#include "delta_manifest_reader.h"
#include "delta_package_check.h"
#include "exe_patch.h"
#include "file_helpers.h"
#include "install_constants.h"
#include "log_line.h"
#include "temporary_folder.h"
#include "unzip_file.h"

namespace {

bool Compose(LPWSTR path, LPCWSTR folder, LPCWSTR relative) {
    return SUCCEEDED(StringCchPrintfW(path, MAX_PATH, L"%s\\%s", folder, relative));
}

void LogMalformed(LPCWSTR archive) {
    LogLine(L"UpgradeThreadProc(): !!! Invalid delta manifest=[%s]", archive);
}

bool OpenManifest(ManifestReader* reader, LPCWSTR archive) {
    if (reader->Open(archive)) return true;
    LogMalformed(archive);
    return false;
}

// Logs that the file at `path` is missing, or the size and CRC-32 it has
// instead of those the manifest names (the device cuts a debug text at 127
// characters, so those stay in the manifest).
void LogMismatch(LPCWSTR path) {
    DWORD foundSize = 0;
    DWORD foundCrc = 0;
    if (!MeasureFile(path, &foundSize, &foundCrc)) {
        LogLine(L"UpgradeThreadProc(): !!! Delta does not fit, missing=[%s]", path);
        return;
    }
    LogLine(L"UpgradeThreadProc(): !!! Delta does not fit=[%s], size=[%ld], crc=[%08lX]", path, foundSize, foundCrc);
}

// Calls `visit` with each file line of `manifest` (take and add) until it
// returns false: kEnd when every line was visited, kLine when `visit`
// stopped, kMalformed at a line not of the manifest's form.
template <typename Visit>
ManifestRead VisitFiles(ManifestReader* manifest, Visit visit) {
    ManifestLine line;
    for (;;) {
        const ManifestRead read = manifest->Next(&line);
        if (read != ManifestRead::kLine) return read;
        if ((line.kind == ManifestKind::kTake || line.kind == ManifestKind::kAdd) && !visit(line)) return read;
    }
}

// True when `folder` holds every file of the manifest as it says: a new
// folder an earlier run completed.
bool FolderComplete(LPCWSTR archive, LPCWSTR folder) {
    ManifestReader manifest;
    if (GetFileAttributesW(folder) == INVALID_FILE_ATTRIBUTES || !manifest.Open(archive)) return false;
    return VisitFiles(&manifest, [folder](const ManifestLine& line) {
               WCHAR path[MAX_PATH];
               return Compose(path, folder, line.path) && FileMatches(path, line.size, line.crc);
           }) == ManifestRead::kEnd;
}

// The new folder of one archive, or its absence for a package without fonts.
BOOL CheckFolderFits(Installer* installer, LPCWSTR archive, LPCWSTR installed, InstallFailure doesNotFit) {
    if (!archive || !FileExists(archive)) return TRUE;
    ManifestReader manifest;
    if (!OpenManifest(&manifest, archive)) {
        installer->error = InstallFailure::kBadDelta;
        return FALSE;
    }
    WCHAR temporary[MAX_PATH];
    if (ComposeTemporaryFolder(temporary, installed) && FolderComplete(archive, temporary)) {
        return TRUE;
    }
    const ManifestRead read = VisitFiles(&manifest, [installed](const ManifestLine& line) {
        WCHAR path[MAX_PATH];
        if (line.kind != ManifestKind::kTake ||
            (Compose(path, installed, line.path) && FileMatches(path, line.size, line.crc))) {
            return true;
        }
        LogMismatch(path);
        return false;
    });
    if (read == ManifestRead::kEnd) return TRUE;
    if (read == ManifestRead::kMalformed) LogMalformed(archive);
    installer->error = read == ManifestRead::kMalformed ? InstallFailure::kBadDelta : doesNotFit;
    return FALSE;
}

bool Unchanged(const PatchHead& head) { return head.oldSize == head.newSize && head.oldCrc == head.newCrc; }

}  // namespace

BOOL CheckDeltaFits(Installer* installer) {
    DeltaExeLine exe;
    if (!CheckDeltaPackage(installer->exe_file, installer->images_file, installer->fonts_file, &exe)) {
        installer->error = InstallFailure::kBadDelta;
        return FALSE;
    }
    const PatchHead& patch = exe.patch;
    // The images archive goes once its folder is switched over; the exe
    // comes last.
    installer->delta_exe_patch = exe.line.kind == ManifestKind::kExePatch;
    if (!CheckFolderFits(installer, installer->images_file, kInstalledImages, InstallFailure::kImagesDoNotFit) ||
        !CheckFolderFits(installer, installer->fonts_file, kInstalledFont, InstallFailure::kFontsDoNotFit)) {
        return FALSE;
    }
    if (installer->delta_exe_patch && !FileMatches(kInstalledExe, patch.oldSize, patch.oldCrc) &&
        !FileMatches(kInstalledExe, patch.newSize, patch.newCrc) &&
        !FileMatches(kTemporaryExe, patch.newSize, patch.newCrc)) {
        LogMismatch(kInstalledExe);
        installer->error = InstallFailure::kExeDoesNotFit;
        return FALSE;
    }
    LogLine(L"UpgradeThreadProc(): delta fits the installed version");
    return TRUE;
}

BOOL BuildDeltaFolder(LPCWSTR archive, LPCWSTR installed, LPCWSTR temporary, StageProgress* progress) {
    WCHAR manifestFile[MAX_PATH];
    if (!Compose(manifestFile, temporary, kManifestFileName)) return FALSE;
    // The manifest is unpacked with the archive's files; it never goes into
    // the installed folder.
    if (FolderComplete(archive, temporary)) return !FileExists(manifestFile) || DeleteFileW(manifestFile);
    if (GetFileAttributesW(temporary) != INVALID_FILE_ATTRIBUTES) RemoveFolder(temporary);
    if (!UnZipFile(archive, temporary, progress) || !DeleteFileW(manifestFile)) return FALSE;

    ManifestReader manifest;
    if (!OpenManifest(&manifest, archive)) return FALSE;
    const ManifestRead read = VisitFiles(&manifest, [installed, temporary](const ManifestLine& line) {
        WCHAR from[MAX_PATH];
        WCHAR to[MAX_PATH];
        if (line.kind != ManifestKind::kTake) return true;
        if (!Compose(from, installed, line.path) || !Compose(to, temporary, line.path)) return false;
        const CopyResult copied = CopyCheckedFile(from, to, line.size, line.crc);
        if (copied == CopyResult::kMismatch) {
            LogMismatch(from);
        } else if (copied == CopyResult::kWriteFailed) {
            LogLine(L"UpgradeThreadProc(): !!! Failed to copy file=[%s], error=[%ld]", to, GetLastError());
        }
        return copied == CopyResult::kCopied;
    });
    if (read == ManifestRead::kMalformed) LogMalformed(archive);
    return read == ManifestRead::kEnd;
}

DeltaExe PrepareDeltaExe(Installer* installer, LPCWSTR* source) {
    *source = installer->exe_file;
    if (!installer->delta_exe_patch) return DeltaExe::kReady;
    PatchHead patch;
    if (!ReadPatchHead(installer->exe_file, &patch)) {
        LogLine(L"UpgradeThreadProc(): !!! Invalid delta patch=[%s]", installer->exe_file);
        installer->error = InstallFailure::kBadDelta;
        return DeltaExe::kFailed;
    }
    *source = kTemporaryExe;
    if (FileMatches(kTemporaryExe, patch.newSize, patch.newCrc)) return DeltaExe::kReady;
    if (!Unchanged(patch) && FileMatches(kInstalledExe, patch.newSize, patch.newCrc)) {
        return DeltaExe::kAlreadyInstalled;
    }
    switch (ApplyPatch(installer->exe_file, kInstalledExe, kTemporaryExe)) {
    case PatchResult::kApplied:
        LogLine(L"UpgradeThreadProc(): patched exe");
        return DeltaExe::kReady;
    case PatchResult::kMalformed:
        LogLine(L"UpgradeThreadProc(): !!! Invalid delta patch=[%s]", installer->exe_file);
        installer->error = InstallFailure::kBadDelta;
        break;
    case PatchResult::kReadFailed:
        LogMismatch(kInstalledExe);
        installer->error = InstallFailure::kExeDoesNotFit;
        break;
    case PatchResult::kWriteFailed:
        LogLine(L"UpgradeThreadProc(): !!! Failed to write patched exe=[%s]", kTemporaryExe);
        installer->error = InstallFailure::kWritePatchedExe;
        break;
    }
    return DeltaExe::kFailed;
}
