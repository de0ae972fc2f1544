// Rollback failures and their code texts.
#pragma once

#include <windows.h>

#include "worker.h"

// What failed; the worker records it and posts its code.
enum class RollbackFailure : DWORD {
    kRemoveNew,
    kRestoreOld,
    kRecordRejected,
    kEndTrial,
    kReadTrial,
};

template <>
struct FailureCodes<RollbackFailure> {
    static constexpr RollbackFailure kLast = RollbackFailure::kReadTrial;
    // The codes the device shows.
    static constexpr FailureCodeRow<RollbackFailure> kCodes[] = {
        {RollbackFailure::kRemoveNew, L"Err70"},      {RollbackFailure::kRestoreOld, L"Err71"},
        {RollbackFailure::kRecordRejected, L"Err72"}, {RollbackFailure::kEndTrial, L"Err73"},
        {RollbackFailure::kReadTrial, L"Err74"},
    };
};
