// What a delta package's sections hold besides files: the manifest entry of
// each archive and the executable patch. Shared by the installation, which
// reads them, and ruvexa-pack, which writes them.
//
// Manifest: an entry of this name at the root of the images and of the fonts
// archive, text lines ending in "\n" (a "\r" before it is allowed):
//   ruvexa-delta 1
//   exe whole|patch SIZE CRC     (images manifest only: the new executable)
//   take SIZE CRC PATH           a file copied from the installed folder
//   add SIZE CRC PATH            a file carried in the archive
// SIZE is decimal, CRC eight hex digits (CRC-32), PATH the file's path below
// the folder with "/" separators, in UTF-8. The take and add lines together
// list every file of the new folder.
//
// Patch, all integers little-endian: "RVDP", version 1, the old file's size
// and CRC-32, the new file's size and CRC-32 (24 bytes), then one zlib stream
// of records until the new file is complete. A record is ADD, EXTRA (4 bytes
// each) and SEEK (4, signed), followed by ADD bytes, each added (mod 256) to
// the old file's byte at the old position as it advances, then EXTRA bytes
// taken as they are; then the old position moves by SEEK.
#pragma once

#include <windows.h>

constexpr char kManifestEntryName[] = "Delta.manifest";
constexpr WCHAR kManifestFileName[] = L"Delta.manifest";
constexpr char kManifestFirstLine[] = "ruvexa-delta 1";
// A manifest line, its end included, fits in this many bytes.
constexpr DWORD kManifestLineCapacity = 1024;

constexpr BYTE kPatchMagic[4] = {'R', 'V', 'D', 'P'};
constexpr DWORD kPatchVersion = 1;
constexpr DWORD kPatchHeadSize = 24;
constexpr DWORD kPatchRecordSize = 12;
