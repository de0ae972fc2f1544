// The package's sections in file order: what each is called, where its size
// stands, which failure each of its steps records, and its own log lines,
// each whole. The extraction, which the worker and the package tool both
// run, goes through this table; nothing else lists the sections.
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
    LPCWSTR extractedLine;       // LogLine text once the section is written
    LPCWSTR copyFailedLine;      // LogLine format: the output's path, the error
    LPCWSTR emptyLine;           // LogLine text when there is nothing to extract
};

constexpr PackageSection kPackageSections[] = {
    {L"exe", &PackageInfo::exe_size, ExtractFailure::kNoExe, ExtractFailure::kDeleteExe, ExtractFailure::kCreateExe,
     ExtractFailure::kCopyExe, L"ExtractThreadProc(): extracted exe",
     L"ExtractThreadProc(): !!! Failed to extract exe=[%s], error=[%ld]", L"ExtractThreadProc(): !!! No exe to extract"},
    {L"images", &PackageInfo::images_size, ExtractFailure::kNoImages, ExtractFailure::kDeleteImages,
     ExtractFailure::kCreateImages, ExtractFailure::kCopyImages, L"ExtractThreadProc(): extracted images",
     L"ExtractThreadProc(): !!! Failed to extract image=[%s], error=[%ld]",
     L"ExtractThreadProc(): !!! No image to extract"},
    {L"fonts", &PackageInfo::fonts_size, std::nullopt, ExtractFailure::kDeleteFonts, ExtractFailure::kCreateFonts,
     ExtractFailure::kCopyFonts, L"ExtractThreadProc(): extracted font",
     L"ExtractThreadProc(): !!! Failed to extract font=[%s], error=[%ld]",
     L"ExtractThreadProc(): !!! No font to extract (optional)"},
};

constexpr DWORD kPackageSectionCount = sizeof(kPackageSections) / sizeof(kPackageSections[0]);

constexpr bool IsOptional(const PackageSection& section) { return !section.emptyIndex; }
