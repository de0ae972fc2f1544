// Unzipper: one open zip archive and the extraction of its entries, one at a
// time, below an output folder; EntryInfo, what the archive says of an entry.
#pragma once

#include <minizip/unzip.h>
#include <windows.h>

#include "stage_progress.h"
#include "unzip_constants.h"

struct EntryInfo {
    // As stored in the archive (cut to the buffer), every "/" made "\".
    char name[kEntryNameBufferSize + 1];
    char comment[kEntryCommentBufferSize + 1];
    DWORD versionMadeBy;
    DWORD versionNeeded;
    DWORD flags;
    DWORD compressionMethod;
    // MS-DOS form: the date in the high 16 bits, the time in the low 16.
    DWORD dosDateTime;
    DWORD crc32;
    DWORD compressedSize;
    DWORD uncompressedSize;
    // The stored name's length; longer than the name buffer means `name`
    // holds only the start of it.
    DWORD nameSize;
    DWORD extraFieldSize;
    DWORD commentSize;
    DWORD diskNumberStart;
    DWORD internalAttributes;
    DWORD externalAttributes;
    int isFolder;
};

class Unzipper {
public:
    Unzipper();
    virtual ~Unzipper();
    Unzipper(const Unzipper&) = delete;
    Unzipper& operator=(const Unzipper&) = delete;

    // False when the transfer buffer could not be allocated; such an object
    // must not be used.
    bool IsUsable() const { return transferBuffer != nullptr; }

    bool Open(LPCWSTR zipPath);
    bool SetOutputFolder(LPCWSTR folder);
    DWORD GetEntryCount();
    bool GoToFirstEntry();
    bool GoToNextEntry();
    bool GetCurrentEntryInfo(EntryInfo* info);
    // Extracts the one current entry below `folder` (null: the output
    // folder); a whole archive is UnZipFile's, with a capital Z.
    bool UnzipFile(LPCWSTR folder);
    // Every entry below the output folder; each one written advances
    // `progress` by one unit and one item when one is given.
    bool UnzipAll(StageProgress* progress = nullptr);
    bool Close();

    LPCWSTR OutputFolder() const { return outputFolder; }

private:
    // Closes the current entry and the archive, statuses ignored.
    void Release();
    // The entry's output path below `folder`, or false (logged) for a name
    // that cannot be used safely.
    bool ComposeOutputPath(LPCWSTR folder, const EntryInfo& info, WCHAR* outputPath);
    // Copies the current entry's data into the newly created `file` and closes
    // it; the entry's times and attributes follow a sound copy.
    bool WriteCurrentEntry(HANDLE file, LPCWSTR outputPath, const EntryInfo& info);
    // EnsureFolder, skipped for the folder ensured last and the folders
    // that hold it: an archive lists the entries of one folder together,
    // and each would otherwise query the same folders again.
    bool EnsureFolderOnce(LPCWSTR folder);

    unzFile archive;
    WCHAR outputFolder[kOutputFolderCapacity];
    BYTE* transferBuffer;
    DWORD entryCount;
    WCHAR ensuredFolder[kPathCapacity];  // empty after Open and Close
};

// Creates `path` and its missing parents, top down. True when it is a
// folder afterwards; false when something else stands in the way.
bool EnsureFolder(LPCWSTR path);

// Sets the file's creation and last-write time from an MS-DOS date-time in
// local time. False, with the times unchanged, when any step fails.
bool SetFileTimeFromDos(LPCWSTR path, DWORD dosDateTime);

// The FILETIME (still local time) of an MS-DOS date and time; false, with
// ERROR_INVALID_PARAMETER, for a field out of range or an impossible date.
bool DosTimeToFileTime(WORD date, WORD time, FILETIME* fileTime);
