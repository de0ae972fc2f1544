// Extraction failures and their code texts, shared by the extraction worker
// (which posts the text) and the package tool (which prints it).
#pragma once

#include <windows.h>

#include "worker.h"

// What failed; the worker records it and posts its code.
enum class ExtractFailure : DWORD {
    kNoUpgradeFile,
    kOpenPackage,
    kReadHead,
    kBadSignature,
    kPointTail,
    kReadTail,
    kPointExe,
    kWrongDataSize,
    kWrongFileSize,
    kBadChecksum,
    kDeleteExe,
    kCreateExe,
    kCopyExe,
    kNoExe,
    kDeleteImages,
    kCreateImages,
    kCopyImages,
    kNoImages,
    kDeleteFonts,
    kCreateFonts,
    kCopyFonts,
    kUntrustedPackage,  // the trusted key did not sign the package
};

template <>
struct FailureCodes<ExtractFailure> {
    static constexpr ExtractFailure kLast = ExtractFailure::kUntrustedPackage;
    // The codes the device shows. The checksum's "Err0F" and the signature's
    // "Err0E" break the codes' own order: they were added later.
    static constexpr FailureCodeRow<ExtractFailure> kCodes[] = {
        {ExtractFailure::kNoUpgradeFile, L"Err01"},  {ExtractFailure::kOpenPackage, L"Err02"},
        {ExtractFailure::kReadHead, L"Err03"},       {ExtractFailure::kBadSignature, L"Err04"},
        {ExtractFailure::kPointTail, L"Err05"},      {ExtractFailure::kReadTail, L"Err06"},
        {ExtractFailure::kPointExe, L"Err07"},       {ExtractFailure::kWrongDataSize, L"Err08"},
        {ExtractFailure::kWrongFileSize, L"Err09"},  {ExtractFailure::kBadChecksum, L"Err0F"},
        {ExtractFailure::kDeleteExe, L"Err0A"},      {ExtractFailure::kCreateExe, L"Err0B"},
        {ExtractFailure::kCopyExe, L"Err0C"},        {ExtractFailure::kNoExe, L"Err0D"},
        {ExtractFailure::kDeleteImages, L"Err20"},   {ExtractFailure::kCreateImages, L"Err21"},
        {ExtractFailure::kCopyImages, L"Err22"},     {ExtractFailure::kNoImages, L"Err23"},
        {ExtractFailure::kDeleteFonts, L"Err30"},    {ExtractFailure::kCreateFonts, L"Err31"},
        {ExtractFailure::kCopyFonts, L"Err32"},      {ExtractFailure::kUntrustedPackage, L"Err0E"},
    };
};
