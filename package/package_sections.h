// The package's sections in file order: what each is called, where its size
// stands, which failure index each of its steps records, and the words its
// log lines use. The extraction worker, and the package tool after it, go
// through this table; nothing else lists the sections.
#pragma once

#include <windows.h>

#include <optional>

#include "extract_codes.h"
#include "package_info.h"

struct PackageSection {
    LPCWSTR name;              // "exe": also the tail field "exe_size"
    DWORD PackageInfo::*size;  // its size field in the tail
    // Recorded when the section is empty; none: the section is optional,
    // and an empty one is no failure.
    std::optional<ExtractFailure> emptyIndex;
    ExtractFailure deleteIndex;  // an earlier run's output cannot be deleted
    ExtractFailure createIndex;  // the output cannot be created
    ExtractFailure copyIndex;    // the copy failed or came up short
    LPCWSTR logNoun;             // "No exe to extract", "Failed to extract exe=[...]"
    LPCWSTR extractedNoun;       // "extracted exe"
};

constexpr PackageSection kPackageSections[] = {
    {L"exe", &PackageInfo::exe_size, ExtractFailure::kNoExe, ExtractFailure::kDeleteExe, ExtractFailure::kCreateExe, ExtractFailure::kCopyExe, L"exe",
     L"exe"},
    {L"images", &PackageInfo::images_size, ExtractFailure::kNoImages, ExtractFailure::kDeleteImages, ExtractFailure::kCreateImages,
     ExtractFailure::kCopyImages, L"image", L"images"},
    {L"fonts", &PackageInfo::fonts_size, std::nullopt, ExtractFailure::kDeleteFonts, ExtractFailure::kCreateFonts,
     ExtractFailure::kCopyFonts, L"font", L"font"},
};

constexpr DWORD kPackageSectionCount = sizeof(kPackageSections) / sizeof(kPackageSections[0]);

constexpr bool IsOptional(const PackageSection& section) { return !section.emptyIndex; }
