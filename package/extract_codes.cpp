// The extraction failure code table. The texts are constants that outlive
// every worker, so a posted result never transfers ownership.
#include "extract_codes.h"

namespace {

// In index order: the checksum code sits at index 9, and the signature code
// "Err0E", added later, at the end.
const LPCWSTR kExtractFailureCodes[] = {
    L"Err01", L"Err02", L"Err03", L"Err04", L"Err05", L"Err06", L"Err07",
    L"Err08", L"Err09", L"Err0F", L"Err0A", L"Err0B", L"Err0C", L"Err0D",
    L"Err20", L"Err21", L"Err22", L"Err23", L"Err30", L"Err31", L"Err32",
    L"Err0E",
};

static_assert(sizeof(kExtractFailureCodes) / sizeof(kExtractFailureCodes[0]) == kExtractFailureCount,
              "every extraction failure index needs exactly one code text");

}  // namespace

LPCWSTR ExtractFailureCode(DWORD index) {
    if (index >= kExtractFailureCount) return nullptr;
    return kExtractFailureCodes[index];
}
