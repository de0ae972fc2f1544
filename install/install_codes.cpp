// InstallFailureCode: the table of installation failure codes.
#include "install_codes.h"

namespace {

// Indexes 7 to 14, 18 and 19 are produced by no step; the table keeps the
// codes' order all the same.
constexpr LPCWSTR kInstallCodes[] = {
    L"Err40", L"Err41", L"Err42", L"Err43", L"Err50", L"Err51", L"Err52", L"Err60", L"Err61", L"Err62",
    L"Err63", L"Err64", L"Err65", L"Err66", L"Err67", L"Err68", L"Err69", L"Err6A", L"Err70", L"Err71",
};
static_assert(sizeof(kInstallCodes) / sizeof(kInstallCodes[0]) == kInstallFailureCount,
              "one code per installation failure index");

}  // namespace

LPCWSTR InstallFailureCode(DWORD index) { return index < kInstallFailureCount ? kInstallCodes[index] : L"ErrFF"; }
