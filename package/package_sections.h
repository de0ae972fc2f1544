// The package's sections in file order: what each is called, where its size
// stands, which failure index each of its steps records, and the words its
// log lines use. The extraction worker, and the package tool after it, go
// through this table; nothing else lists the sections.
#pragma once

#include <windows.h>

#include "extract_codes.h"
#include "package_info.h"

struct PackageSection {
    LPCWSTR name;              // "exe": also the tail field "exe_size"
    DWORD PackageInfo::*size;  // its size field in the tail
    // Recorded when the section is empty; kExtractFailureCount: the section
    // is optional, and an empty one is no failure.
    ExtractFailure emptyIndex;
    ExtractFailure deleteIndex;  // an earlier run's output cannot be deleted
    ExtractFailure createIndex;  // the output cannot be created
    ExtractFailure copyIndex;    // the copy failed or came up short
    LPCWSTR logNoun;             // "No exe to extract", "Failed to extract exe=[...]"
    LPCWSTR extractedNoun;       // "extracted exe"
};

constexpr PackageSection kPackageSections[] = {
    {L"exe", &PackageInfo::exe_size, kExtractNoExe, kExtractDeleteExe, kExtractCreateExe, kExtractCopyExe, L"exe",
     L"exe"},
    {L"images", &PackageInfo::images_size, kExtractNoImages, kExtractDeleteImages, kExtractCreateImages,
     kExtractCopyImages, L"image", L"images"},
    {L"fonts", &PackageInfo::fonts_size, kExtractFailureCount, kExtractDeleteFonts, kExtractCreateFonts,
     kExtractCopyFonts, L"font", L"font"},
};

constexpr DWORD kPackageSectionCount = sizeof(kPackageSections) / sizeof(kPackageSections[0]);

constexpr bool IsOptional(const PackageSection& section) { return section.emptyIndex == kExtractFailureCount; }
