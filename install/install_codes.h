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
};

template <>
struct FailureCodes<InstallFailure> {
    static constexpr InstallFailure kLast = InstallFailure::kStartTrial;
    // The codes the device shows.
    static constexpr FailureCodeRow<InstallFailure> kCodes[] = {
        {InstallFailure::kUnzipImages, L"Err40"},     {InstallFailure::kRemoveImages, L"Err41"},
        {InstallFailure::kMoveImages, L"Err42"},      {InstallFailure::kNoImages, L"Err43"},
        {InstallFailure::kUnzipFont, L"Err50"},       {InstallFailure::kRemoveFont, L"Err51"},
        {InstallFailure::kMoveFont, L"Err52"},        {InstallFailure::kDeleteExe, L"Err68"},
        {InstallFailure::kMoveExe, L"Err69"},         {InstallFailure::kNoExe, L"Err6A"},
        {InstallFailure::kPreparePrevious, L"Err44"}, {InstallFailure::kStartTrial, L"Err6B"},
    };
};
