// PrepareUpgrade, PrepareExtract: starting the extraction worker on the UI
// thread.
#include "extraction.h"
#include "extraction_constants.h"
#include "file_helpers.h"
#include "log_line.h"

namespace {

// The record of this boot's extraction, once PrepareUpgrade has made it.
const Preparer* g_preparer = NULL;

}  // namespace

BOOL PrepareUpgrade(HWND window, UINT message, LPCWSTR upgradeFile, LPCWSTR exeFile, LPCWSTR imagesFile,
                    LPCWSTR fontsFile) {
    if (GetFileAttributesW(kStartUpFolder) != INVALID_FILE_ATTRIBUTES) {
        RemoveFolder(kStartUpFolder);
        LogLine(L"PrepareUpgrade(): !!! Deleted invalid Merrow folder in StartUp");
    }

    // Never released: it must outlive the worker, and the run ends with a
    // restart or with the process.
    Preparer* preparer =
        NewWorkerRecord<Preparer>(L"PrepareUpgrade(): !!! Failed to create preparer, error=[%ld]");
    if (!preparer) return FALSE;
    g_preparer = preparer;
    return PrepareExtract(preparer, window, message, upgradeFile, exeFile, imagesFile, fontsFile);
}

BOOL PrepareExtract(Preparer* preparer, HWND window, UINT message, LPCWSTR upgradeFile, LPCWSTR exeFile,
                    LPCWSTR imagesFile, LPCWSTR fontsFile) {
    if (!upgradeFile) {
        LogText(L"PrepareExtract(): !!! Upgrade file is NULL\r\n");
        PostWorkerResult(window, message, FALSE, FailureCode(ExtractFailure::kNoUpgradeFile));
        return FALSE;
    }
    FillWorkerRecord(preparer, window, message, upgradeFile, exeFile, imagesFile, fontsFile);
    return StartWorker<Preparer, ExtractThreadProc, RecordAfterRun::Kept>(
        preparer, L"PrepareExtract(): !!! Failed to create thread, error=[%ld]");
}

DWORD PreparedPackageChecksum() { return g_preparer ? g_preparer->package.checksum : 0; }

BOOL PreparedSecurityVersion(DWORD* version) {
    if (!g_preparer || !g_preparer->keyed) return FALSE;
    *version = g_preparer->security_version;
    return TRUE;
}
bool PreparedPackageIsDelta() { return g_preparer && IsDeltaPackage(g_preparer->package); }
