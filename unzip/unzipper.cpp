// Unzipper: construction and destruction, the archive (Open, Close), the
// output folder, the walk over the entries and the extraction of them all.
#include "unzipper.h"

#include <stdlib.h>
#include <string.h>
#include <strsafe.h>
#include <windows.h>

#include "log_line.h"

Unzipper::Unzipper()
    : archive(nullptr),
      transferBuffer(static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, kEntryBufferSize))),
      entryCount(0) {
    outputFolder[0] = L'\0';
    ensuredFolder[0] = L'\0';
}

Unzipper::~Unzipper() {
    Release();
    outputFolder[0] = L'\0';
    if (transferBuffer) LocalFree(transferBuffer);
}

void Unzipper::Release() {
    ensuredFolder[0] = L'\0';
    if (!archive) return;
    unzCloseCurrentFile(archive);
    unzClose(archive);
    archive = nullptr;
}

bool Unzipper::Open(LPCWSTR zipPath) {
    Release();
    outputFolder[0] = L'\0';
    if (!zipPath || !zipPath[0]) return false;
    // A path whose narrow form does not fit is refused, never cut short.
    char narrowPath[kNarrowPathCapacity];
    size_t converted = 0;
    if (wcstombs_s(&converted, narrowPath, kNarrowPathCapacity, zipPath, kNarrowPathCapacity) != 0) {
        return false;
    }
    archive = unzOpen(narrowPath);
    if (!archive) return false;
    StringCchCopyW(outputFolder, kOutputFolderCapacity, kDefaultOutputFolder);
    return true;
}

bool Unzipper::SetOutputFolder(LPCWSTR folder) {
    DWORD attributes = GetFileAttributesW(folder);
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    // Measured first, so that a folder too long to keep leaves the stored
    // one as it was rather than cut short.
    size_t length = 0;
    if (FAILED(StringCchLengthW(folder, kOutputFolderCapacity, &length))) return false;
    StringCchCopyW(outputFolder, kOutputFolderCapacity, folder);
    return EnsureFolder(folder);
}

DWORD Unzipper::GetEntryCount() {
    entryCount = 0;
    unz_global_info global;
    if (!archive || unzGetGlobalInfo(archive, &global) != UNZ_OK) return 0;
    entryCount = static_cast<DWORD>(global.number_entry);
    return entryCount;
}

bool Unzipper::GoToFirstEntry() { return archive && unzGoToFirstFile(archive) == UNZ_OK; }

bool Unzipper::GoToNextEntry() { return archive && unzGoToNextFile(archive) == UNZ_OK; }

bool Unzipper::GetCurrentEntryInfo(EntryInfo* info) {
    if (!archive) return false;
    ZeroMemory(info, sizeof *info);
    unz_file_info stored;
    if (unzGetCurrentFileInfo(archive, &stored, info->name, kEntryNameBufferSize, nullptr, 0, info->comment,
                              kEntryCommentBufferSize) != UNZ_OK) {
        return false;
    }
    info->versionMadeBy = static_cast<DWORD>(stored.version);
    info->versionNeeded = static_cast<DWORD>(stored.version_needed);
    info->flags = static_cast<DWORD>(stored.flag);
    info->compressionMethod = static_cast<DWORD>(stored.compression_method);
    info->dosDateTime = static_cast<DWORD>(stored.dosDate);
    info->crc32 = static_cast<DWORD>(stored.crc);
    info->compressedSize = static_cast<DWORD>(stored.compressed_size);
    info->uncompressedSize = static_cast<DWORD>(stored.uncompressed_size);
    info->nameSize = static_cast<DWORD>(stored.size_filename);
    info->extraFieldSize = static_cast<DWORD>(stored.size_file_extra);
    info->commentSize = static_cast<DWORD>(stored.size_file_comment);
    info->diskNumberStart = static_cast<DWORD>(stored.disk_num_start);
    info->internalAttributes = static_cast<DWORD>(stored.internal_fa);
    info->externalAttributes = static_cast<DWORD>(stored.external_fa);
    for (char* c = info->name; *c; ++c) {
        if (*c == '/') *c = '\\';
    }
    // Unix tools mark a folder by the trailing "/" alone, with Unix mode
    // bits in the high word and no MS-DOS folder bit; either mark counts.
    const size_t length = strlen(info->name);
    const bool endsWithSeparator = length > 0 && info->name[length - 1] == '\\';
    info->isFolder = (endsWithSeparator || (info->externalAttributes & FILE_ATTRIBUTE_DIRECTORY)) ? 1 : 0;
    return true;
}

bool Unzipper::UnzipAll(StageProgress* progress) {
    if (!archive || !EnsureFolder(outputFolder) || GetEntryCount() == 0 || !GoToFirstEntry()) return false;
    DWORD extracted = 0;
    do {
        // What was written before a failing entry stays; later entries are
        // not attempted.
        if (!UnzipFile(outputFolder)) return false;
        if (progress) {
            progress->Advance(1);
            progress->CountItem();
        }
        if (++extracted % kProgressInterval == 0) LogText(L".");
    } while (GoToNextEntry());
    // The library ends the list after as many entries as the archive says it
    // holds. Stopping before means the next entry could not be read: what is
    // unpacked is incomplete, and must not be installed as the whole.
    if (extracted != entryCount) {
        LogLine(L"UnzipAll(): !!! Failed to go to entry=[%ld] of [%ld]", extracted + 1, entryCount);
        return false;
    }
    return true;
}

bool Unzipper::Close() {
    outputFolder[0] = L'\0';
    ensuredFolder[0] = L'\0';
    if (!archive) return false;
    unzCloseCurrentFile(archive);
    const int status = unzClose(archive);
    archive = nullptr;
    return status == UNZ_OK;
}
