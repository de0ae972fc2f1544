// Unzipper::UnzipFile: the archive's current entry written below a folder,
// as a folder or as a file with the entry's times and attributes.
#include <errno.h>
#include <stdlib.h>
#include <strsafe.h>
#include <windows.h>

#include "entry_name.h"
#include "file_helpers.h"
#include "log_line.h"
#include "unzipper.h"

namespace {

bool EndsWithSeparator(LPCWSTR path) {
    size_t length = wcslen(path);
    return length > 0 && path[length - 1] == L'\\';
}

// The folder that holds `path`: the text before its last "\", or the root
// when that "\" comes first.
void ParentOf(LPCWSTR path, WCHAR* parent) {
    StringCchCopyW(parent, kPathCapacity, path);
    WCHAR* lastSeparator = wcsrchr(parent, L'\\');
    if (lastSeparator == parent) {
        parent[1] = L'\0';
    } else if (lastSeparator) {
        *lastSeparator = L'\0';
    }
}

}  // namespace

bool Unzipper::ComposeOutputPath(LPCWSTR folder, const EntryInfo& info, WCHAR* outputPath) {
    WCHAR name[kPathCapacity];
    size_t converted = 0;
    // A stored name longer than its buffer arrives cut short; it is refused
    // like one whose wide form does not fit, rather than written under a
    // name the archive does not hold.
    errno_t error = info.nameSize > kEntryNameBufferSize
                        ? ERANGE
                        : mbstowcs_s(&converted, name, kPathCapacity, info.name, kPathCapacity);
    if (error != 0) {
        LogLine(L"UnzipFile(): !!! Invalid entry name, error=[%ld]", error);
        return false;
    }
    // A hostile archive could otherwise write anywhere on the device.
    if (!IsSafeEntryName(name)) {
        LogLine(L"UnzipFile(): !!! Unsafe entry name=[%s]", name);
        return false;
    }
    DropCurrentFolderComponents(name);
    HRESULT composed = StringCchCopyW(outputPath, kPathCapacity, folder);
    if (SUCCEEDED(composed) && !EndsWithSeparator(folder)) {
        composed = StringCchCatW(outputPath, kPathCapacity, L"\\");
    }
    if (SUCCEEDED(composed)) composed = StringCchCatW(outputPath, kPathCapacity, name);
    if (FAILED(composed)) {
        LogLine(L"UnzipFile(): !!! Path too long, folder=[%s], name=[%s]", folder, name);
        return false;
    }
    return true;
}

bool Unzipper::EnsureFolderOnce(LPCWSTR folder) {
    const size_t length = wcslen(folder);
    if (length > 0 && ensuredFolder[0] && wcsncmp(ensuredFolder, folder, length) == 0 &&
        (ensuredFolder[length] == L'\0' || ensuredFolder[length] == L'\\')) {
        return true;
    }
    if (!EnsureFolder(folder)) return false;
    if (FAILED(StringCchCopyW(ensuredFolder, kPathCapacity, folder))) ensuredFolder[0] = L'\0';
    return true;
}

bool Unzipper::UnzipFile(LPCWSTR folder) {
    if (!archive) return false;
    if (!folder) folder = outputFolder;
    if (!EnsureFolderOnce(folder)) return false;

    EntryInfo info;
    // Not consulted: the library has read this entry's record already when
    // it became current, and a record left empty yields no usable path.
    GetCurrentEntryInfo(&info);
    WCHAR outputPath[kPathCapacity];
    if (!ComposeOutputPath(folder, info, outputPath)) return false;
    if (info.isFolder) {
        // A folder has no data of its own; what such an entry carries is
        // not written anywhere. Both sizes count: zip64 writers put
        // 0xFFFFFFFF in one of them, which the library does not resolve.
        if (info.uncompressedSize != 0 && info.compressedSize != 0) {
            LogLine(L"UnzipFile(): Data of folder entry ignored, folder=[%s], size=[%ld]", outputPath,
                    info.uncompressedSize);
        }
        return EnsureFolderOnce(outputPath);
    }

    WCHAR parent[kPathCapacity];
    ParentOf(outputPath, parent);
    if (!EnsureFolderOnce(parent)) return false;

    if (FileExists(outputPath) && !DeleteFileW(outputPath)) {
        const DWORD error = GetLastError();
        LogLine(L"UnzipFile(): !!! Failed to delete file=[%s], error=[%ld]", outputPath, error);
    }
    // CREATE_NEW: a file that could not be deleted above fails here.
    HANDLE file = CreateFileW(outputPath, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        LogText(L"Unzip [%s]", outputPath);
        LogText(L"==> Open Failed\r\n");
        return false;
    }
    return WriteCurrentEntry(file, outputPath, info);
}

bool Unzipper::WriteCurrentEntry(HANDLE file, LPCWSTR outputPath, const EntryInfo& info) {
    // minizip built without bzip2 opens a bzip2 entry in raw mode and hands
    // out its compressed bytes with no checksum test; only stored and
    // deflated entries can be read as what they hold.
    const bool readable = info.compressionMethod == kStoredMethod || info.compressionMethod == Z_DEFLATED;
    if (!readable || unzOpenCurrentFile(archive) != UNZ_OK) {
        LogText(L"==> unzOpenCurrentFile Failed\r\n");
        CloseHandle(file);
        return false;
    }
    int status = 0;
    for (;;) {
        const int count = unzReadCurrentFile(archive, transferBuffer, kEntryBufferSize);
        if (count <= 0) {
            status = count;
            break;
        }
        DWORD written = 0;
        if (!WriteFile(file, transferBuffer, static_cast<DWORD>(count), &written, nullptr) ||
            written != static_cast<DWORD>(count)) {
            const DWORD error = GetLastError();
            LogText(L"Unzip [%s]", outputPath);
            LogText(L"==> WriteFile Failed !! error = [%ld]\r\n", error);
            if (error == ERROR_DISK_FULL) LogText(L"There is not enough space on the disk.\r\n");
            status = -1;
            break;
        }
    }
    // Closing flushes nothing: without this a power cut after the folder has
    // been switched over could leave its files empty on the media.
    if (status == 0 && !FlushFileBuffers(file)) {
        LogText(L"Unzip [%s]", outputPath);
        LogText(L"==> FlushFileBuffers Failed !! error = [%ld]\r\n", GetLastError());
        status = -1;
    }
    CloseHandle(file);
    // Closing the entry after its last byte is where the library compares
    // the data with the entry's CRC-32: data that inflated cleanly can still
    // be corrupt, and must not be installed as if it were sound.
    const int closeStatus = unzCloseCurrentFile(archive);
    if (status == 0 && closeStatus != UNZ_OK) status = closeStatus;
    if (status != 0) {
        LogText(L"Unzip [%s]", outputPath);
        LogText(L"==> Failed [%d]!!\r\n", status);
        return false;
    }
    // Neither result is consulted: the data is what matters.
    SetFileTimeFromDos(outputPath, info.dosDateTime);
    SetFileAttributesW(outputPath, info.externalAttributes);
    return true;
}
