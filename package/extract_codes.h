// Extraction failure indexes and their code texts, shared by the extraction
// worker (which posts the text) and the package tool (which prints it).
#pragma once

#include <windows.h>

// An index into the code table; the worker records it and posts its text.
enum ExtractFailure : DWORD {
    kExtractNoUpgradeFile = 0,  // "Err01"
    kExtractOpenPackage,        // "Err02"
    kExtractReadHead,           // "Err03"
    kExtractBadSignature,       // "Err04"
    kExtractPointTail,          // "Err05"
    kExtractReadTail,           // "Err06"
    kExtractPointExe,           // "Err07"
    kExtractWrongDataSize,      // "Err08"
    kExtractWrongFileSize,      // "Err09"
    kExtractBadChecksum,        // "Err0F"
    kExtractDeleteExe,          // "Err0A"
    kExtractCreateExe,          // "Err0B"
    kExtractCopyExe,            // "Err0C"
    kExtractNoExe,              // "Err0D"
    kExtractDeleteImages,       // "Err20"
    kExtractCreateImages,       // "Err21"
    kExtractCopyImages,         // "Err22"
    kExtractNoImages,           // "Err23"
    kExtractDeleteFonts,        // "Err30"
    kExtractCreateFonts,        // "Err31"
    kExtractCopyFonts,          // "Err32"
    kExtractUntrustedPackage,   // "Err0E": the trusted key did not sign the package
    kExtractFailureCount
};

// The constant code text of an index, valid for the whole process (a
// receiver of a posted result may keep the pointer); null above the table.
LPCWSTR ExtractFailureCode(DWORD index);
