// UnZipFile: one archive unpacked into a folder by an Unzipper of its own;
// CountZipEntries: how many entries an archive holds.
#include "unzip_file.h"

#include <memory>
#include <new>

#include "log_line.h"
#include "unzipper.h"

namespace {

// Steps after a successful Open; the result of the extraction.
int ExtractOpenArchive(Unzipper& unzipper, LPCWSTR zipPath, LPCWSTR folder, StageProgress* progress) {
    if (!unzipper.SetOutputFolder(folder)) {
        LogLine(L"UnZipFile(): !!! Failed to set output folder=[%s]", folder);
        return 0;
    }
    // An archive without entries counts as extracted, with nothing written.
    if (unzipper.GetEntryCount() == 0) {
        LogLine(L"UnZipFile(): !!! File size is 0, file=[%s], size=[%ld]", zipPath, 0);
        return 1;
    }
    if (!unzipper.UnzipAll(progress)) {
        LogLine(L"UnZipFile(): !!! Failed to unzip file=[%s]", zipPath);
        return 0;
    }
    return 1;
}

}  // namespace

int UnZipFile(LPCWSTR zipPath, LPCWSTR folder, StageProgress* progress) {
    std::unique_ptr<Unzipper> unzipper(new (std::nothrow) Unzipper());
    // Without its transfer buffer the object cannot copy anything.
    if (!unzipper || !unzipper->IsUsable()) {
        LogLine(L"UnZipFile(): !!! Failed to create unzipper");
        return 0;
    }
    if (!unzipper->Open(zipPath)) {
        LogLine(L"UnZipFile(): !!! Failed to open zip=[%s]", zipPath);
        return 0;
    }
    const int result = ExtractOpenArchive(*unzipper, zipPath, folder, progress);
    if (!unzipper->Close()) {
        LogLine(L"UnZipFile(): !!! Failed to close zip file=[%s]", zipPath);
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
