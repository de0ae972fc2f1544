// ReportInstallFailure and PostUpgradeResult: the code of each failure index
// and the one message they post to the main window, or none without one.
#include <gtest/gtest.h>

#include "install_test_support.h"
#include "installation.h"
#include "ruvexa_host.h"

namespace install_testing {
namespace {

using UpgradeResultTest = InstallTest;

TEST_F(UpgradeResultTest, FailureIndexesMapToTheirCodes) {
    const std::pair<DWORD, const char*> cases[] = {
        {0, "Err40"},  {1, "Err41"},  {2, "Err42"},  {3, "Err43"},  {4, "Err50"},
        {6, "Err52"},  {7, "Err60"},  {14, "Err67"}, {15, "Err68"}, {16, "Err69"},
        {17, "Err6A"}, {19, "Err71"}, {20, "ErrFF"}, {0xFFFFFFFF, "ErrFF"},
    };
    for (const auto& [index, code] : cases) {
        SCOPED_TRACE(index);
        ReportInstallFailure(&installer, index);
        ExpectOneFailure(code);
    }
}

TEST_F(UpgradeResultTest, SuccessCarriesAnEmptyText) {
    PostUpgradeResult(&installer, 1, L"");
    ExpectOneSuccess();
}

TEST_F(UpgradeResultTest, WithoutWindowNothingIsPosted) {
    installer.notify_window = nullptr;
    PostUpgradeResult(&installer, 1, L"");
    ReportInstallFailure(&installer, 3);
    EXPECT_TRUE(DrainResults().empty());
}

}  // namespace
}  // namespace install_testing
