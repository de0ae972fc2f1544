// StartUpgradeThread, UpgradeThreadProc: the installation worker and its
// thread. Images, then fonts, then the executable are switched over; a
// failing step stops the installation at once and what earlier steps
// switched over stays. Archives are unpacked into a temporary folder beside
// the installed one, which is then removed and replaced by the temporary
// folder.
//
// Every run ends through one exit: the WorkerResult guard posts the result
// when the worker returns, whichever return that is.
#include <strsafe.h>


#include "delta_install.h"
#include "device_paths.h"
#include "file_helpers.h"
#include "install_constants.h"
#include "key_rotation.h"
#include "installation.h"
#include "log_line.h"
#include "previous_version.h"
#include "security_floor.h"
#include "stage_progress.h"
#include "temporary_folder.h"
#include "unzip_file.h"

namespace {

// The switch-over of one archive's folder: the installed folder, the
// failure of each step and the step's own log lines (LogLine formats; a
// line with a path takes it).
struct FolderSwitch {
    LPCWSTR installed;
    PreviousItem item;
    LPCWSTR unzippingLine;  // before the unzip, or null
    LPCWSTR unzippedLine;
    LPCWSTR unzipFailedLine;
    LPCWSTR removeFailedLine;
    LPCWSTR switchedLine;
    LPCWSTR moveFailedLine;
    LPCWSTR temporaryLeftLine;
    LPCWSTR archiveLeftLine;
    InstallFailure unzipFailure;
    InstallFailure removeFailure;
    InstallFailure moveFailure;
};

const FolderSwitch kImagesSwitch = {
    kInstalledImages,
    kItemImages,
    L"UpgradeThreadProc(): unzip images",
    L"ok",
    L"UpgradeThreadProc(): !!! Failed to unzip images=[%s]",
    L"UpgradeThreadProc(): !!! Failed to remove outdated image folder=[%s]",
    L"UpgradeThreadProc(): switched over to new images",
    L"UpgradeThreadProc(): !!! Failed to move new image folder=[%s]",
    L"UpgradeThreadProc(): !!! Failed to remove temp image folder=[%s]",
    L"UpgradeThreadProc(): !!! Failed to delete upgrade image file=[%s]",
    InstallFailure::kUnzipImages,
    InstallFailure::kRemoveImages,
    InstallFailure::kMoveImages,
};

const FolderSwitch kFontSwitch = {
    kInstalledFont,
    kItemFont,
    NULL,
    L"UpgradeThreadProc(): unzipped font",
    L"UpgradeThreadProc(): !!! Failed to unzip font file=[%s]",
    L"UpgradeThreadProc(): !!! Failed to remove outdated font folder=[%s]",
    L"UpgradeThreadProc(): switched over to new font",
    L"UpgradeThreadProc(): !!! Failed to move new font folder=[%s]",
    L"UpgradeThreadProc(): !!! Failed to remove temp font folder=[%s]",
    L"UpgradeThreadProc(): !!! Failed to delete file=[%s]",
    InstallFailure::kUnzipFont,
    InstallFailure::kRemoveFont,
    InstallFailure::kMoveFont,
};

// Unpacks `archive` beside the installed folder, then removes that folder
// and moves the new one into its place; the archive is deleted either way.
// TRUE when the new folder is in place; otherwise the failure is recorded
// and the temporary folder removed, except a delta's complete one: it was
// built partly from the installed folder, which may be gone by now, so the
// next boot's redo needs it as it is.
BOOL SwitchFolder(Installer* installer, LPCWSTR archive, const FolderSwitch& step) {
    WCHAR temporary[MAX_PATH] = {};
    ComposeTemporaryFolder(temporary, step.installed);
    if (step.unzippingLine) LogLine(step.unzippingLine);

    bool failed = true;
    const BOOL unpacked = installer->delta
                              ? BuildDeltaFolder(archive, step.installed, temporary, &RunningStageProgress())
                              : UnZipFile(archive, temporary, &RunningStageProgress());
    if (!unpacked) {
        LogLine(step.unzipFailedLine, archive);
        installer->error = step.unzipFailure;
    } else {
        LogLine(step.unzippedLine);
        if (!ClearInstalled(installer->keep_previous, installer->old_items, step.item)) {
            LogLine(step.removeFailedLine, step.installed);
            installer->error = step.removeFailure;
        } else if (MoveFileW(temporary, step.installed)) {
            LogLine(step.switchedLine);
            RunningStageProgress().Advance(1);
            failed = false;
        } else {
            LogLine(step.moveFailedLine, temporary);
            installer->error = step.moveFailure;
        }
    }
    const bool keepTemporary = installer->delta && unpacked;
    if (failed && !keepTemporary && !RemoveFolder(temporary)) LogLine(step.temporaryLeftLine, temporary);
    if (!DeleteFileW(archive)) LogLine(step.archiveLeftLine, archive);
    return !failed;
}

// Step 1: TRUE when the new images are in place; otherwise the failure is
// recorded.
BOOL InstallImages(Installer* installer) {
    if (!FileExists(installer->images_file)) {
        LogLine(L"UpgradeThreadProc(): !!! No image to upgrade");
        installer->error = InstallFailure::kNoImages;
        return FALSE;
    }
    if (installer->keep_previous && !PreparePrevious(installer->package_checksum, installer->old_items)) {
        installer->error = InstallFailure::kPreparePrevious;
        return FALSE;
    }
    return SwitchFolder(installer, installer->images_file, kImagesSwitch);
}

// Step 2, optional: TRUE when the new fonts are in place or there are none;
// otherwise the failure is recorded.
BOOL InstallFonts(Installer* installer) {
    if (!FileExists(installer->fonts_file)) {
        LogLine(L"UpgradeThreadProc(): !!! No font to upgrade (optional)");
        return TRUE;
    }
    return SwitchFolder(installer, installer->fonts_file, kFontSwitch);
}

// Step 3: TRUE when the new executable is in place; otherwise the failure
// is recorded. A delta's executable may first be patched from the installed
// one, or be installed already by an earlier run. A patched executable that
// could not be moved into place stays: the one it was patched from is gone,
// and the next boot's redo moves it.
BOOL InstallExecutable(Installer* installer) {
    LPCWSTR extracted = installer->exe_file;
    if (!FileExists(extracted)) {
        LogLine(L"UpgradeThreadProc(): !!! No exe to upgrade");
        installer->error = InstallFailure::kNoExe;
        return FALSE;
    }
    LPCWSTR source = extracted;
    if (installer->delta) {
        const DeltaExe exe = PrepareDeltaExe(installer, &source);
        if (exe != DeltaExe::kReady) {
            if (!DeleteFileW(extracted)) {
                LogLine(L"UpgradeThreadProc(): !!! Failed to delete file=[%s]", extracted);
            }
            return exe == DeltaExe::kAlreadyInstalled;
        }
    }
    bool oldExeGone = false;
    if (!ClearInstalled(installer->keep_previous, installer->old_items, kItemExe)) {
        LogLine(L"UpgradeThreadProc(): !!! Failed to delete old exe=[%s]", kInstalledExe);
        installer->error = InstallFailure::kDeleteExe;
    } else if (MoveFileW(source, kInstalledExe)) {
        if (source != extracted) DeleteFileW(extracted);
        RunningStageProgress().Advance(1);
        return TRUE;
    } else {
        LogLine(L"UpgradeThreadProc(): !!! Failed to move file=[%s]", source);
        installer->error = InstallFailure::kMoveExe;
        oldExeGone = true;
    }
    if (!DeleteFileW(extracted)) {
        LogLine(L"UpgradeThreadProc(): !!! Failed to delete file=[%s]", extracted);
    }
    if (source != extracted && !oldExeGone) DeleteFileW(source);
    return FALSE;
}

// Deletes `path` and logs the outcome: `deletedLine`, or `failedLine`
// with the path (LogLine formats). A failure is only logged.
void DeleteAndLog(LPCWSTR path, LPCWSTR deletedLine, LPCWSTR failedLine) {
    if (DeleteFileW(path)) {
        LogLine(deletedLine);
    } else {
        LogLine(failedLine, path);
    }
}

// A downloaded package's signature goes with it. A device without a trusted
// key takes unsigned packages, so a missing one is no failure.
void DeleteSignature(LPCWSTR upgradeFile) {
    WCHAR signatureFile[MAX_PATH];
    if (FAILED(StringCchPrintfW(signatureFile, MAX_PATH, L"%s%s", upgradeFile, kSignatureSuffix)) ||
        !FileExists(signatureFile)) {
        return;
    }
    DeleteAndLog(signatureFile, L"UpgradeThreadProc(): deleted upgrade signature",
                 L"UpgradeThreadProc(): !!! Failed to delete upgrade signature=[%s]");
}

// Without rollback the release has proved itself once it is installed. The
// floor rises before the request goes, so a cut cannot skip it; a redo
// installs the same version again, which the raised floor still admits. A
// floor that cannot be written is only logged: the device is never stopped
// by it.
void RaiseFloorAtCompletion(DWORD version) {
    BOOL raised = FALSE;
    if (!RaiseSecurityFloor(version, &raised)) {
        LogLine(L"UpgradeThreadProc(): !!! Failed to raise security floor=[%lu], error=[%ld]", version, GetLastError());
    } else if (raised) {
        LogLine(L"UpgradeThreadProc(): raised security floor=[%lu]", version);
    }
}

// Step 4: only the flag of the request acted on goes; a downloaded package
// and its signature go with it, one on a USB disk stays. Failures here are
// only logged.
void RemoveRequest(const Installer* installer) {
    if (installer->remote_upgrade) {
        DeleteAndLog(kRemoteUpgradeFlag, L"UpgradeThreadProc(): deleted remote upgrade flag",
                     L"UpgradeThreadProc(): !!! Failed to delete upgrade flag=[%s]");
        DeleteAndLog(installer->upgrade_file, L"UpgradeThreadProc(): deleted upgrade file",
                     L"UpgradeThreadProc(): !!! Failed to delete upgrade file=[%s]");
        DeleteSignature(installer->upgrade_file);
        return;
    }
    DeleteAndLog(kUpgradeFlag, L"UpgradeThreadProc(): deleted upgrade flag",
                 L"UpgradeThreadProc(): !!! Failed to delete upgrade flag=[%s]");
}

// The installation's work for the progress bar: every entry of both
// archives, then one step for each item switched over.
DWORD InstallationUnits(const Installer* installer) {
    DWORD units = CountZipEntries(installer->images_file) + 2;  // the images' folder, the executable
    if (FileExists(installer->fonts_file)) units += CountZipEntries(installer->fonts_file) + 1;
    return units;
}

}  // namespace

DWORD UpgradeThreadProc(Installer* installer) {
    WorkerResult<Installer> result(installer);
    RunningStageProgress().SetTotal(InstallationUnits(installer));
    if (installer->delta && !CheckDeltaFits(installer)) return 0;
    if (!InstallImages(installer) || !InstallFonts(installer) || !InstallExecutable(installer)) return 0;

    LogLine(L"UpgradeThreadProc(): switched over to new exe");
    // Before the trial and the request: a redo after a cut writes it again.
    if (!PrepareKeyRotation(installer->next_keys, installer->next_keys_size)) {
        installer->error = InstallFailure::kWriteNextKeys;
        return 0;
    }
    if (installer->keep_previous &&
        !StartTrial(installer->package_checksum, installer->upgrade_file,
                    installer->security_version, installer->old_items)) {
        installer->error = InstallFailure::kStartTrial;
        return 0;
    }
    if (installer->security_version && !installer->keep_previous) RaiseFloorAtCompletion(*installer->security_version);
    RemoveRequest(installer);
    // Only now: until the request is gone, a redo must verify the package
    // with the keys that signed it. A failure here is finished at the next
    // boot that launches the application.
    FinishKeyRotation(installer->keep_previous, L"UpgradeThreadProc");
    result.MarkSucceeded();
    return 0;
}

// The record belongs to the thread: nobody else touches it once the worker
// runs, and the posted result carries only the failure's value.
BOOL StartUpgradeThread(HWND window, UINT message, const UpgradeAttempt& attempt, bool keepPrevious) {
    Installer* installer =
        NewWorkerRecord<Installer>(L"StartUpgradeThread(): !!! Failed to create installer, error=[%ld]");
    if (!installer) return FALSE;
    FillWorkerRecord(installer, window, message, attempt);
    installer->remote_upgrade = attempt.remote;
    installer->keep_previous = keepPrevious;
    if (attempt.verified) {
        installer->package_checksum = attempt.verified->checksum;
        installer->security_version = attempt.verified->security_version;
        installer->delta = attempt.verified->delta;
        installer->next_keys = attempt.verified->next_keys;
        installer->next_keys_size = attempt.verified->next_keys_size;
    }
    return StartWorker<Installer, UpgradeThreadProc, RecordAfterRun::Freed>(
        installer, L"StartUpgradeThread(): !!! Failed to create thread, error=[%ld]");
}
