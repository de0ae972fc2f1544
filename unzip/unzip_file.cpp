// UnZipFile: one archive unpacked into a folder by an Unzipper of its own;
// CountZipEntries: how many entries an archive holds.
#include "unzip_file.h"

#include <memory>
#include <new>

#include "unzipper.h"

namespace {

// Steps after a successful Open; the result of the extraction.
int ExtractOpenArchive(Unzipper& unzipper, LPCWSTR zipPath, LPCWSTR folder, StageProgress* progress) {
    if (!unzipper.SetOutputFolder(folder)) {
        NKDbgPrintfW(L"UnZipFile(): !!! Failed to set output folder=[%s], at=[%ld]\r\n", folder, GetTickCount());
        return 0;
    }
    // An archive without entries counts as extracted, with nothing written.
    if (unzipper.GetEntryCount() == 0) {
        NKDbgPrintfW(L"UnZipFile(): !!! File size is 0, file=[%s], size=[%ld], at=[%ld]\r\n", zipPath, 0,
                     GetTickCount());
        return 1;
    }
    if (!unzipper.UnzipAll(progress)) {
        NKDbgPrintfW(L"UnZipFile(): !!! Failed to unzip file=[%s], at=[%ld]\r\n", zipPath, GetTickCount());
        return 0;
    }
    return 1;
}

}  // namespace

int UnZipFile(LPCWSTR zipPath, LPCWSTR folder, StageProgress* progress) {
    std::unique_ptr<Unzipper> unzipper(new (std::nothrow) Unzipper());
    // Without its transfer buffer the object cannot copy anything.
    if (!unzipper || !unzipper->IsUsable()) {
        NKDbgPrintfW(L"UnZipFile(): !!! Failed to create unzipper, at=[%ld]\r\n", GetTickCount());
        return 0;
    }
    if (!unzipper->Open(zipPath)) {
        NKDbgPrintfW(L"UnZipFile(): !!! Failed to open zip=[%s], at=[%ld]\r\n", zipPath, GetTickCount());
        return 0;
    }
    const int result = ExtractOpenArchive(*unzipper, zipPath, folder, progress);
    if (!unzipper->Close()) {
        NKDbgPrintfW(L"UnZipFile(): !!! Failed to close zip file=[%s], at=[%ld]\r\n", zipPath, GetTickCount());
    }
    return result;
}

DWORD CountZipEntries(LPCWSTR zipPath) {
    std::unique_ptr<Unzipper> unzipper(new (std::nothrow) Unzipper());
    if (!unzipper || !unzipper->Open(zipPath)) return 0;
    const DWORD entries = unzipper->GetEntryCount();
    unzipper->Close();
    return entries;
}
