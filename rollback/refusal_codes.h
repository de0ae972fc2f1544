// Refusals and their code texts: a found package that is not installed,
// decided before anything is written. Shared by the shell (which shows the
// code and its text) and the package tool (which explains them).
#pragma once

#include <windows.h>

#include "worker.h"

// Why the package is refused.
enum class Refusal : DWORD {
    kRolledBack,          // Rejected.txt names its checksum
    kBelowSecurityFloor,  // its signature's security version is below the floor
    kAnotherModel,        // its signature names models, none of them the device's
    kNotEnoughSpace,      // a volume has less room than the upgrade needs there
};

template <>
struct FailureCodes<Refusal> {
    static constexpr Refusal kLast = Refusal::kNotEnoughSpace;
    // The codes the device shows.
    static constexpr FailureCodeRow<Refusal> kCodes[] = {
        {Refusal::kRolledBack, L"Err10"},
        {Refusal::kBelowSecurityFloor, L"Err11"},
        {Refusal::kAnotherModel, L"Err12"},
        {Refusal::kNotEnoughSpace, L"Err13"},
    };
};

// The text the screen shows beside a refusal's code.
constexpr LPCWSTR RefusalText(Refusal refusal) {
    switch (refusal) {
        case Refusal::kRolledBack:
            return L"Package rolled back earlier";
        case Refusal::kBelowSecurityFloor:
            return L"Package older than installed";
        case Refusal::kAnotherModel:
            return L"Package for another model";
        case Refusal::kNotEnoughSpace:
            break;
    }
    return L"Not enough space";
}
