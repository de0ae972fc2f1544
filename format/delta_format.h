// What a delta package's sections hold besides files: the manifest entry of
// each archive and the executable patch. Shared by the installation, which
// reads them, and ruvexa-pack, which writes them.
//
// The manifest's lines and the patch's bytes are described in
// docs/formats.md ("The delta manifest", "The executable patch").
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
