// Installation failures and their code texts.
#pragma once

#include <windows.h>

#include "worker.h"

// What failed; the worker records it and posts its code.
enum class InstallFailure : DWORD {
    kUnzipImages,
    kRemoveImages,
    kMoveImages,
    kNoImages,
    kUnzipFont,
    kRemoveFont,
    kMoveFont,
    kDeleteExe,
    kMoveExe,
    kNoExe,
    kPreparePrevious,
    kStartTrial,
    // A delta package against an installed version it was not made for:
    // nothing is switched over and the request stays.
    kImagesDoNotFit,
    kFontsDoNotFit,
    kExeDoesNotFit,
    kBadDelta,  // its manifest or patch is unusable, or the patch makes another file
    kWritePatchedExe,
    // The next keys of a key rotation cannot be written (key_rotation.h):
    // the request stays.
    kWriteNextKeys,
};

template <>
struct FailureCodes<InstallFailure> {
    static constexpr InstallFailure kLast = InstallFailure::kWriteNextKeys;
    // The codes the device shows.
    static constexpr FailureCodeRow<InstallFailure> kCodes[] = {
        {InstallFailure::kUnzipImages, L"Err40"},     {InstallFailure::kRemoveImages, L"Err41"},
        {InstallFailure::kMoveImages, L"Err42"},      {InstallFailure::kNoImages, L"Err43"},
        {InstallFailure::kUnzipFont, L"Err50"},       {InstallFailure::kRemoveFont, L"Err51"},
        {InstallFailure::kMoveFont, L"Err52"},        {InstallFailure::kDeleteExe, L"Err68"},
        {InstallFailure::kMoveExe, L"Err69"},         {InstallFailure::kNoExe, L"Err6A"},
        {InstallFailure::kPreparePrevious, L"Err44"}, {InstallFailure::kStartTrial, L"Err6B"},
        {InstallFailure::kImagesDoNotFit, L"Err80"},  {InstallFailure::kFontsDoNotFit, L"Err81"},
        {InstallFailure::kExeDoesNotFit, L"Err82"},   {InstallFailure::kBadDelta, L"Err83"},
        {InstallFailure::kWritePatchedExe, L"Err6C"}, {InstallFailure::kWriteNextKeys, L"Err6D"},
    };
};
