// PrepareUpgrade, PrepareExtract: starting the extraction worker on the UI
// thread.
#include "extraction.h"
#include "device_paths.h"
#include "file_helpers.h"
#include "log_line.h"

BOOL PrepareUpgrade(HWND window, UINT message, UpgradeAttempt* attempt) {
    if (GetFileAttributesW(kStartUpFolder) != INVALID_FILE_ATTRIBUTES) {
        RemoveFolder(kStartUpFolder);
        LogLine(L"PrepareUpgrade(): !!! Deleted invalid Merrow folder in StartUp");
    }

    // Never released: it must outlive the worker, and the run ends with a
    // restart or with the process.
    Preparer* preparer =
        NewWorkerRecord<Preparer>(L"PrepareUpgrade(): !!! Failed to create preparer, error=[%ld]");
    if (!preparer) return FALSE;
    return PrepareExtract(preparer, window, message, attempt);
}

BOOL PrepareExtract(Preparer* preparer, HWND window, UINT message, UpgradeAttempt* attempt) {
    if (!attempt || !attempt->package_file[0]) {
        LogText(L"PrepareExtract(): !!! Upgrade file is NULL\r\n");
        PostWorkerFailure(window, message, ExtractFailure::kNoUpgradeFile);
        return FALSE;
    }
    FillWorkerRecord(preparer, window, message, *attempt);
    preparer->attempt = attempt;
    return StartWorker<Preparer, ExtractThreadProc, RecordAfterRun::Kept>(
        preparer, L"PrepareExtract(): !!! Failed to create thread, error=[%ld]");
}
