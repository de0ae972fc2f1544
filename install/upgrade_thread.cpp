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
#include "device_files.h"
#include "file_helpers.h"
#include "install_constants.h"
#include "installation.h"
#include "previous_version.h"
#include "security_floor.h"
#include "stage_progress.h"
#include "unzip_file.h"

namespace {

bool ComposeTemporaryFolder(LPWSTR folder, LPCWSTR installed) {
    return SUCCEEDED(StringCchPrintfW(folder, MAX_PATH, L"%s%s", installed, kTemporaryFolderSuffix));
}

// The switch-over of one archive's folder: the installed folder, the
// failure of each step and the step's own log lines (a line with a
// path takes it before the tick count).
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
    L"UpgradeThreadProc(): unzip images, at=[%ld]\r\n",
    L"ok, at=[%ld]\r\n",
    L"UpgradeThreadProc(): !!! Failed to unzip images=[%s], at=[%ld]\r\n",
    L"UpgradeThreadProc(): !!! Failed to remove outdated image folder=[%s], at=[%ld]\r\n",
    L"UpgradeThreadProc(): switched over to new images, at=[%ld]\r\n",
    L"UpgradeThreadProc(): !!! Failed to move new image folder=[%s], at=[%ld]\r\n",
    L"UpgradeThreadProc(): !!! Failed to remove temp image folder=[%s], at=[%ld]\r\n",
    L"UpgradeThreadProc(): !!! Failed to delete upgrade image file=[%s], at=[%ld]\r\n",
    InstallFailure::kUnzipImages,
    InstallFailure::kRemoveImages,
    InstallFailure::kMoveImages,
};

const FolderSwitch kFontSwitch = {
    kInstalledFont,
    kItemFont,
    NULL,
    L"UpgradeThreadProc(): unzipped font, at=[%ld]\r\n",
    L"UpgradeThreadProc(): !!! Failed to unzip font file=[%s], at=[%ld]\r\n",
    L"UpgradeThreadProc(): !!! Failed to remove outdated font folder=[%s], at=[%ld]\r\n",
    L"UpgradeThreadProc(): switched over to new font, at=[%ld]\r\n",
    L"UpgradeThreadProc(): !!! Failed to move new font folder=[%s], at=[%ld]\r\n",
    L"UpgradeThreadProc(): !!! Failed to remove temp font folder=[%s], at=[%ld]\r\n",
    L"UpgradeThreadProc(): !!! Failed to delete file=[%s], at=[%ld]\r\n",
    InstallFailure::kUnzipFont,
    InstallFailure::kRemoveFont,
    InstallFailure::kMoveFont,
};

// Unpacks `archive` beside the installed folder, then removes that folder
// and moves the new one into its place; the archive is deleted either way.
// TRUE when the new folder is in place; otherwise the failure is recorded
// and the temporary folder removed.
BOOL SwitchFolder(Installer* installer, LPCWSTR archive, const FolderSwitch& step) {
    WCHAR temporary[MAX_PATH] = {};
    ComposeTemporaryFolder(temporary, step.installed);
    if (step.unzippingLine) NKDbgPrintfW(step.unzippingLine, GetTickCount());

    bool failed = true;
    const BOOL unpacked = installer->delta
                              ? BuildDeltaFolder(archive, step.installed, temporary, &RunningStageProgress())
                              : UnZipFile(archive, temporary, &RunningStageProgress());
    if (!unpacked) {
        NKDbgPrintfW(step.unzipFailedLine, archive, GetTickCount());
        installer->error = step.unzipFailure;
    } else {
        NKDbgPrintfW(step.unzippedLine, GetTickCount());
        if (!ClearInstalled(installer, step.item)) {
            NKDbgPrintfW(step.removeFailedLine, step.installed, GetTickCount());
            installer->error = step.removeFailure;
        } else if (MoveFileW(temporary, step.installed)) {
            NKDbgPrintfW(step.switchedLine, GetTickCount());
            RunningStageProgress().Advance(1);
            failed = false;
        } else {
            NKDbgPrintfW(step.moveFailedLine, temporary, GetTickCount());
            installer->error = step.moveFailure;
        }
    }
    if (failed && !RemoveFolder(temporary)) NKDbgPrintfW(step.temporaryLeftLine, temporary, GetTickCount());
    if (!DeleteFileW(archive)) NKDbgPrintfW(step.archiveLeftLine, archive, GetTickCount());
    return !failed;
}

// Step 1: TRUE when the new images are in place; otherwise the failure is
// recorded.
BOOL InstallImages(Installer* installer) {
    if (!FileExists(installer->images_file)) {
        NKDbgPrintfW(L"UpgradeThreadProc(): !!! No image to upgrade, at=[%ld]\r\n", GetTickCount());
        installer->error = InstallFailure::kNoImages;
        return FALSE;
    }
    if (installer->keep_previous && !PreparePrevious(installer)) return FALSE;
    return SwitchFolder(installer, installer->images_file, kImagesSwitch);
}

// Step 2, optional: TRUE when the new fonts are in place or there are none;
// otherwise the failure is recorded.
BOOL InstallFonts(Installer* installer) {
    if (!FileExists(installer->fonts_file)) {
        NKDbgPrintfW(L"UpgradeThreadProc(): !!! No font to upgrade (optional), at=[%ld]\r\n", GetTickCount());
        return TRUE;
    }
    return SwitchFolder(installer, installer->fonts_file, kFontSwitch);
}

// Step 3: TRUE when the new executable is in place; otherwise the failure
// is recorded. A delta's executable may first be patched from the installed
// one, or be installed already by an earlier run.
BOOL InstallExecutable(Installer* installer) {
    LPCWSTR extracted = installer->exe_file;
    if (!FileExists(extracted)) {
        NKDbgPrintfW(L"UpgradeThreadProc(): !!! No exe to upgrade, at=[%ld]\r\n", GetTickCount());
        installer->error = InstallFailure::kNoExe;
        return FALSE;
    }
    LPCWSTR source = extracted;
    if (installer->delta) {
        const DeltaExe exe = PrepareDeltaExe(installer, &source);
        if (exe != DeltaExe::kReady) {
            if (!DeleteFileW(extracted)) {
                NKDbgPrintfW(L"UpgradeThreadProc(): !!! Failed to delete file=[%s], at=[%ld]\r\n", extracted,
                             GetTickCount());
            }
            return exe == DeltaExe::kAlreadyInstalled;
        }
    }
    if (!ClearInstalled(installer, kItemExe)) {
        NKDbgPrintfW(L"UpgradeThreadProc(): !!! Failed to delete old exe=[%s], at=[%ld]\r\n", kInstalledExe,
                     GetTickCount());
        installer->error = InstallFailure::kDeleteExe;
    } else if (MoveFileW(source, kInstalledExe)) {
        if (source != extracted) DeleteFileW(extracted);
        RunningStageProgress().Advance(1);
        return TRUE;
    } else {
        NKDbgPrintfW(L"UpgradeThreadProc(): !!! Failed to move file=[%s], at=[%ld]\r\n", source, GetTickCount());
        installer->error = InstallFailure::kMoveExe;
    }
    if (!DeleteFileW(extracted)) {
        NKDbgPrintfW(L"UpgradeThreadProc(): !!! Failed to delete file=[%s], at=[%ld]\r\n", extracted, GetTickCount());
    }
    if (source != extracted) DeleteFileW(source);
    return FALSE;
}

// Deletes `path` and logs the outcome: `deletedLine` with the tick count, or
// `failedLine` with the path and the tick count. A failure is only logged.
void DeleteAndLog(LPCWSTR path, LPCWSTR deletedLine, LPCWSTR failedLine) {
    if (DeleteFileW(path)) {
        NKDbgPrintfW(deletedLine, GetTickCount());
    } else {
        NKDbgPrintfW(failedLine, path, GetTickCount());
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
    DeleteAndLog(signatureFile, L"UpgradeThreadProc(): deleted upgrade signature, at=[%ld]\r\n",
                 L"UpgradeThreadProc(): !!! Failed to delete upgrade signature=[%s], at=[%ld]\r\n");
}

// Without rollback the release has proved itself once it is installed. The
// floor rises before the request goes, so a cut cannot skip it; a redo
// installs the same version again, which the raised floor still admits. A
// floor that cannot be written is only logged: the device is never stopped
// by it.
void RaiseFloorAtCompletion(DWORD version) {
    BOOL raised = FALSE;
    if (!RaiseSecurityFloor(version, &raised)) {
        NKDbgPrintfW(L"UpgradeThreadProc(): !!! Failed to raise security floor=[%lu], error=[%ld], at=[%ld]\r\n",
                     version, GetLastError(), GetTickCount());
    } else if (raised) {
        NKDbgPrintfW(L"UpgradeThreadProc(): raised security floor=[%lu], at=[%ld]\r\n", version, GetTickCount());
    }
}

// Step 4: only the flag of the request acted on goes; a downloaded package
// and its signature go with it, one on a USB disk stays. Failures here are
// only logged.
void RemoveRequest(const Installer* installer) {
    if (installer->remote_upgrade) {
        DeleteAndLog(kRemoteUpgradeFlag, L"UpgradeThreadProc(): deleted remote upgrade flag, at=[%ld]\r\n",
                     L"UpgradeThreadProc(): !!! Failed to delete upgrade flag=[%s], at=[%ld]\r\n");
        DeleteAndLog(installer->upgrade_file, L"UpgradeThreadProc(): deleted upgrade file, at=[%ld]\r\n",
                     L"UpgradeThreadProc(): !!! Failed to delete upgrade file=[%s], at=[%ld]\r\n");
        DeleteSignature(installer->upgrade_file);
        return;
    }
    DeleteAndLog(kUpgradeFlag, L"UpgradeThreadProc(): deleted upgrade flag, at=[%ld]\r\n",
                 L"UpgradeThreadProc(): !!! Failed to delete upgrade flag=[%s], at=[%ld]\r\n");
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

    NKDbgPrintfW(L"UpgradeThreadProc(): switched over to new exe, at=[%ld]\r\n", GetTickCount());
    if (installer->keep_previous && !StartTrial(installer)) return 0;
    if (installer->keyed && !installer->keep_previous) RaiseFloorAtCompletion(installer->security_version);
    RemoveRequest(installer);
    result.MarkSucceeded();
    return 0;
}

// The record belongs to the thread: nobody else touches it once the worker
// runs, and the posted result carries only a constant text.
BOOL StartUpgradeThread(HWND window, UINT message, bool remoteUpgrade, LPCWSTR upgradeFile, LPCWSTR exeFile,
                        LPCWSTR imagesFile, LPCWSTR fontsFile, bool keepPrevious, DWORD packageChecksum,
                        const DWORD* securityVersion, bool delta) {
    Installer* installer =
        NewWorkerRecord<Installer>(L"StartUpgradeThread(): !!! Failed to create installer, error=[%ld], at=[%ld]\r\n");
    if (!installer) return FALSE;
    FillWorkerRecord(installer, window, message, upgradeFile, exeFile, imagesFile, fontsFile);
    installer->remote_upgrade = remoteUpgrade;
    installer->keep_previous = keepPrevious;
    installer->package_checksum = packageChecksum;
    installer->keyed = securityVersion != NULL;
    installer->security_version = securityVersion ? *securityVersion : 0;
    installer->delta = delta;
    return StartWorker<Installer, UpgradeThreadProc, RecordAfterRun::Freed>(
        installer, L"StartUpgradeThread(): !!! Failed to create thread, error=[%ld], at=[%ld]\r\n");
}
