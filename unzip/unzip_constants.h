// Sizes and fixed texts of the zip extractor.
#pragma once

#include <windows.h>

// Every path the extractor copies or composes, its terminating zero included.
constexpr size_t kPathCapacity = MAX_PATH;
// The output folder keeps one unit more than a path; a folder that uses it
// all cannot be created, because creating it copies it into a path buffer.
constexpr size_t kOutputFolderCapacity = MAX_PATH + 1;
// The archive path as narrow text for the zip library, its zero included.
constexpr size_t kNarrowPathCapacity = MAX_PATH;
// Name and comment buffers handed to the zip library.
constexpr DWORD kEntryNameBufferSize = 260;
constexpr DWORD kEntryCommentBufferSize = 255;
// Each chunk of an entry's data moves through one buffer of this size.
constexpr DWORD kEntryBufferSize = 65536;
// The entry's data as it is, without compression.
constexpr DWORD kStoredMethod = 0;
// A "." goes to the debug output after every this many extracted entries.
constexpr DWORD kProgressInterval = 100;

// The output folder right after an archive is opened, before the caller
// sets its own; it is not created.
constexpr WCHAR kDefaultOutputFolder[] = L"\\NAND Disk";
