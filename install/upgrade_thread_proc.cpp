// UpgradeThreadProc: the installation worker. Images, then fonts, then the
// executable are switched over; a failing step stops the installation at
// once and what earlier steps switched over stays. Archives are unpacked
// into a temporary folder beside the installed one, which is then removed
// and replaced by the temporary folder.
#include <strsafe.h>

#include "detect_constants.h"
#include "file_helpers.h"
#include "install_codes.h"
#include "install_constants.h"
#include "installation.h"
#include "upgrade_state.h"
#include "zip_extractor.h"

namespace {

// Written by the worker when a step fails and read when it reports.
int g_installFailure = 0;

bool ComposeTemporaryFolder(LPWSTR folder, LPCWSTR installed) {
    return SUCCEEDED(StringCchPrintfW(folder, MAX_PATH, L"%s%s", installed, kTemporaryFolderSuffix));
}

// Step 1: TRUE when the new images are in place; otherwise the failure has
// been reported.
BOOL InstallImages(LPCWSTR archive) {
    if (!FileExists(archive)) {
        NKDbgPrintfW(L"UpgradeThreadProc(): !!! No image to upgrade, at=[%ld]\r\n", GetTickCount());
        PostUpgradeResult(0, L"Err43");
        return FALSE;
    }
    WCHAR temporary[MAX_PATH] = {};
    ComposeTemporaryFolder(temporary, kInstalledImages);
    NKDbgPrintfW(L"UpgradeThreadProc(): unzip images, at=[%ld]\r\n", GetTickCount());

    bool failed = true;
    if (!UnZipFile(archive, temporary)) {
        NKDbgPrintfW(L"UpgradeThreadProc(): !!! Failed to unzip images=[%s], at=[%ld]\r\n", archive, GetTickCount());
        g_installFailure = kInstallUnzipImages;
    } else {
        NKDbgPrintfW(L"ok, at=[%ld]\r\n", GetTickCount());
        // A folder that was missing, or empty and now removed, leaves the
        // place free; only one still there stops the switch-over.
        if (!RemoveFolder(kInstalledImages) && FileExists(kInstalledImages)) {
            NKDbgPrintfW(L"UpgradeThreadProc(): !!! Failed to remove outdated image folder=[%s], at=[%ld]\r\n",
                         kInstalledImages, GetTickCount());
            g_installFailure = kInstallRemoveImages;
        } else if (MoveFileW(temporary, kInstalledImages)) {
            NKDbgPrintfW(L"UpgradeThreadProc(): switched over to new images, at=[%ld]\r\n", GetTickCount());
            failed = false;
        } else {
            NKDbgPrintfW(L"UpgradeThreadProc(): !!! Failed to move new image folder=[%s], at=[%ld]\r\n", temporary,
                         GetTickCount());
            g_installFailure = kInstallMoveImages;
        }
    }
    if (failed && !RemoveFolder(temporary)) {
        NKDbgPrintfW(L"UpgradeThreadProc(): !!! Failed to remove temp image folder=[%s], at=[%ld]\r\n", temporary,
                     GetTickCount());
    }
    if (!DeleteFileW(archive)) {
        NKDbgPrintfW(L"UpgradeThreadProc(): !!! Failed to delete upgrade image file=[%s], at=[%ld]\r\n", archive,
                     GetTickCount());
    }
    if (failed) ReportInstallFailure(g_installFailure);
    return !failed;
}

// Step 2, optional: TRUE when the new fonts are in place or there are none;
// otherwise the failure has been reported.
BOOL InstallFonts(LPCWSTR archive) {
    if (!FileExists(archive)) {
        NKDbgPrintfW(L"UpgradeThreadProc(): !!! No font to upgrade (optional), at=[%ld]\r\n", GetTickCount());
        return TRUE;
    }
    WCHAR temporary[MAX_PATH] = {};
    ComposeTemporaryFolder(temporary, kInstalledFont);

    bool failed = true;
    if (!UnZipFile(archive, temporary)) {
        NKDbgPrintfW(L"UpgradeThreadProc(): !!! Failed to unzip font file=[%s], at=[%ld]\r\n", archive,
                     GetTickCount());
        g_installFailure = kInstallUnzipFont;
    } else {
        NKDbgPrintfW(L"UpgradeThreadProc(): unzipped font, at=[%ld]\r\n", GetTickCount());
        if (!RemoveFolder(kInstalledFont) && FileExists(kInstalledFont)) {
            NKDbgPrintfW(L"UpgradeThreadProc(): !!! Failed to remove outdated font folder=[%s], at=[%ld]\r\n",
                         kInstalledFont, GetTickCount());
            g_installFailure = kInstallRemoveFont;
        } else if (MoveFileW(temporary, kInstalledFont)) {
            NKDbgPrintfW(L"UpgradeThreadProc(): switched over to new font, at=[%ld]\r\n", GetTickCount());
            failed = false;
        } else {
            NKDbgPrintfW(L"UpgradeThreadProc(): !!! Failed to move new font folder=[%s], at=[%ld]\r\n", temporary,
                         GetTickCount());
            g_installFailure = kInstallMoveFont;
        }
    }
    if (failed && !RemoveFolder(temporary)) {
        NKDbgPrintfW(L"UpgradeThreadProc(): !!! Failed to remove temp font folder=[%s], at=[%ld]\r\n", temporary,
                     GetTickCount());
    }
    if (!DeleteFileW(archive)) {
        NKDbgPrintfW(L"UpgradeThreadProc(): !!! Failed to delete file=[%s], at=[%ld]\r\n", archive, GetTickCount());
    }
    if (failed) ReportInstallFailure(g_installFailure);
    return !failed;
}

// Step 3: TRUE when the new executable is in place; otherwise the failure
// has been reported.
BOOL InstallExecutable(LPCWSTR extracted) {
    if (!FileExists(extracted)) {
        NKDbgPrintfW(L"UpgradeThreadProc(): !!! No exe to upgrade, at=[%ld]\r\n", GetTickCount());
        PostUpgradeResult(0, L"Err6A");
        return FALSE;
    }
    if (FileExists(kInstalledExe) && !DeleteFileW(kInstalledExe)) {
        NKDbgPrintfW(L"UpgradeThreadProc(): !!! Failed to delete old exe=[%s], at=[%ld]\r\n", kInstalledExe,
                     GetTickCount());
        g_installFailure = kInstallDeleteExe;
    } else if (MoveFileW(extracted, kInstalledExe)) {
        return TRUE;
    } else {
        NKDbgPrintfW(L"UpgradeThreadProc(): !!! Failed to move file=[%s], at=[%ld]\r\n", extracted, GetTickCount());
        g_installFailure = kInstallMoveExe;
    }
    if (!DeleteFileW(extracted)) {
        NKDbgPrintfW(L"UpgradeThreadProc(): !!! Failed to delete file=[%s], at=[%ld]\r\n", extracted, GetTickCount());
    }
    ReportInstallFailure(g_installFailure);
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
void DeleteSignature() {
    WCHAR signatureFile[MAX_PATH];
    if (FAILED(StringCchPrintfW(signatureFile, MAX_PATH, L"%s%s", g_upgradeFile, kSignatureSuffix)) ||
        !FileExists(signatureFile)) {
        return;
    }
    DeleteAndLog(signatureFile, L"UpgradeThreadProc(): deleted upgrade signature, at=[%ld]\r\n",
                 L"UpgradeThreadProc(): !!! Failed to delete upgrade signature=[%s], at=[%ld]\r\n");
}

// Step 4: only the flag of the request acted on goes; a downloaded package
// and its signature go with it, one on a USB disk stays. Failures here are
// only logged.
void RemoveRequest() {
    if (g_remoteUpgrade) {
        DeleteAndLog(kRemoteUpgradeFlag, L"UpgradeThreadProc(): deleted remote upgrade flag, at=[%ld]\r\n",
                     L"UpgradeThreadProc(): !!! Failed to delete upgrade flag=[%s], at=[%ld]\r\n");
        DeleteAndLog(g_upgradeFile, L"UpgradeThreadProc(): deleted upgrade file, at=[%ld]\r\n",
                     L"UpgradeThreadProc(): !!! Failed to delete upgrade file=[%s], at=[%ld]\r\n");
        DeleteSignature();
        return;
    }
    DeleteAndLog(kUpgradeFlag, L"UpgradeThreadProc(): deleted upgrade flag, at=[%ld]\r\n",
                 L"UpgradeThreadProc(): !!! Failed to delete upgrade flag=[%s], at=[%ld]\r\n");
}

}  // namespace

DWORD UpgradeThreadProc() {
    LPCWSTR exeFile = g_remoteUpgrade ? kRemoteExeFile : g_exeFile;
    LPCWSTR imagesFile = g_remoteUpgrade ? kRemoteImagesFile : g_imagesFile;
    LPCWSTR fontsFile = g_remoteUpgrade ? kRemoteFontsFile : g_fontsFile;

    if (!InstallImages(imagesFile) || !InstallFonts(fontsFile) || !InstallExecutable(exeFile)) return 0;

    NKDbgPrintfW(L"UpgradeThreadProc(): switched over to new exe, at=[%ld]\r\n", GetTickCount());
    RemoveRequest();
    PostUpgradeResult(1, L"");
    return 0;
}
