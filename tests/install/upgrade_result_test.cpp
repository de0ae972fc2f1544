// The installation's one result as the worker's result guard posts it: the
// code of each failure, an empty text on success, none without a window.
#include <gtest/gtest.h>

#include "install_test_support.h"
#include "installation.h"
#include "ruvexa_host.h"

namespace install_testing {
namespace {

using UpgradeResultTest = InstallTest;

// The guard posts as it goes out of scope, as at the worker's return.
void EndRun(Installer* installer, bool succeeded) {
    WorkerResult<Installer> result(installer);
    if (succeeded) result.MarkSucceeded();
}

TEST_F(UpgradeResultTest, FailuresMapToTheirCodes) {
    const std::pair<InstallFailure, const wchar_t*> rows[] = {
        {InstallFailure::kUnzipImages, L"Err40"},
        {InstallFailure::kRemoveImages, L"Err41"},
        {InstallFailure::kMoveImages, L"Err42"},
        {InstallFailure::kNoImages, L"Err43"},
        {InstallFailure::kUnzipFont, L"Err50"},
        {InstallFailure::kRemoveFont, L"Err51"},
        {InstallFailure::kMoveFont, L"Err52"},
        {InstallFailure::kDeleteExe, L"Err68"},
        {InstallFailure::kMoveExe, L"Err69"},
        {InstallFailure::kNoExe, L"Err6A"},
        {InstallFailure::kPreparePrevious, L"Err44"},
        {InstallFailure::kStartTrial, L"Err6B"},
        {InstallFailure::kImagesDoNotFit, L"Err80"},
        {InstallFailure::kFontsDoNotFit, L"Err81"},
        {InstallFailure::kExeDoesNotFit, L"Err82"},
        {InstallFailure::kBadDelta, L"Err83"},
        {InstallFailure::kWritePatchedExe, L"Err6C"},
        {InstallFailure::kWriteNextKeys, L"Err6D"},
        // Past the table.
        {static_cast<InstallFailure>(18), L"ErrFF"},
        {static_cast<InstallFailure>(0xFFFFFFFF), L"ErrFF"},
    };
    for (const auto& [failure, code] : rows) {
        SCOPED_TRACE(static_cast<DWORD>(failure));
        installer.error = failure;
        EndRun(&installer, false);
        ExpectOneFailure(DrainResults(), code);
    }
}

TEST_F(UpgradeResultTest, SuccessCarriesAnEmptyText) {
    EndRun(&installer, true);
    ExpectOneSuccess(DrainResults());
}

TEST_F(UpgradeResultTest, WithoutWindowNothingIsPosted) {
    installer.notify_window = nullptr;
    EndRun(&installer, true);
    installer.error = InstallFailure::kNoImages;
    EndRun(&installer, false);
    EXPECT_TRUE(DrainResults().empty());
}

}  // namespace
}  // namespace install_testing
