// PrepareUpgrade, PrepareExtract: starting the extraction worker on the UI
// thread. ReportExtractSuccess, ReportExtractFailure: its one result.
#include "extract_codes.h"
#include "extraction.h"
#include "extraction_constants.h"
#include "file_helpers.h"

namespace {

DWORD WINAPI ExtractThreadEntry(LPVOID preparer) { return ExtractThreadProc(static_cast<Preparer*>(preparer)); }

}  // namespace

BOOL PrepareUpgrade(HWND window, UINT message, LPCWSTR upgradeFile, LPCWSTR exeFile, LPCWSTR imagesFile,
                    LPCWSTR fontsFile) {
    if (GetFileAttributesW(kStartUpFolder) != INVALID_FILE_ATTRIBUTES) {
        RemoveFolder(kStartUpFolder);
        NKDbgPrintfW(L"PrepareUpgrade(): !!! Deleted invalid Merrow folder in StartUp, at=[%ld]\r\n", GetTickCount());
    }

    // Never released: it must outlive the worker, and the run ends with a
    // restart or with the process.
    Preparer* preparer = static_cast<Preparer*>(LocalAlloc(LPTR, sizeof(Preparer)));
    if (!preparer) {
        NKDbgPrintfW(L"PrepareUpgrade(): !!! Failed to create preparer, error=[%ld], at=[%ld]\r\n", GetLastError(),
                     GetTickCount());
        return FALSE;
    }
    return PrepareExtract(preparer, window, message, upgradeFile, exeFile, imagesFile, fontsFile);
}

BOOL PrepareExtract(Preparer* preparer, HWND window, UINT message, LPCWSTR upgradeFile, LPCWSTR exeFile,
                    LPCWSTR imagesFile, LPCWSTR fontsFile) {
    if (!upgradeFile) {
        NKDbgPrintfW(L"PrepareExtract(): !!! Upgrade file is NULL\r\n");
        if (window) PostMessageW(window, message, 0, reinterpret_cast<LPARAM>(ExtractFailureCode(kExtractNoUpgradeFile)));
        return FALSE;
    }
    preparer->exe_file = exeFile;
    preparer->images_file = imagesFile;
    preparer->fonts_file = fontsFile;
    preparer->notify_window = window;
    preparer->notify_message = message;
    preparer->upgrade_file = upgradeFile;

    // Nobody joins the worker; its handle is left to the end of the process.
    HANDLE thread = CreateThread(NULL, 0, ExtractThreadEntry, preparer, 0, NULL);
    if (!thread) {
        NKDbgPrintfW(L"PrepareExtract(): !!! Failed to create thread, error=[%ld], at=[%ld]\r\n", GetLastError(),
                     GetTickCount());
        return FALSE;
    }
    return TRUE;
}

void ReportExtractSuccess(const Preparer* preparer) {
    if (preparer->notify_window) {
        PostMessageW(preparer->notify_window, preparer->notify_message, 1, reinterpret_cast<LPARAM>(L""));
    }
}

void ReportExtractFailure(const Preparer* preparer, DWORD index) {
    LPCWSTR code = ExtractFailureCode(index);
    if (!code || !preparer->notify_window) return;
    PostMessageW(preparer->notify_window, preparer->notify_message, 0, reinterpret_cast<LPARAM>(code));
}
