// A requested package whose stored checksum Rejected.txt names is refused
// before anything is written: its code shows, the request goes (with a
// downloaded package) and the installed application starts. A package with
// another checksum installs as usual.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ruvexa_runner.h"
#include "upgrade_package.h"

namespace {

using scenario::kMerrow;
using testing_support::TempDevice;

struct RefusalRow {
    std::string name;
    bool remote;
    bool rejected;  // Rejected.txt names this package, else another one
    int earlier;    // lines of other releases before it
};

void PrintTo(const RefusalRow& row, std::ostream* out) { *out << row.name; }

class Refusal : public ::testing::TestWithParam<RefusalRow> {
protected:
    scenario::Scratch scratch_;
    scenario::UpgradeContent content_ = scenario::StandardUpgrade();
};

TEST_P(Refusal, OfARolledBackPackage) {
    const RefusalRow& row = GetParam();
    const scenario::BuiltPackage package = scenario::BuildUpgradePackage(content_, scratch_);
    TempDevice device;
    scenario::MakeUpgradeDevice(device, package, row.remote);
    const std::string checksum = scenario::TrialMarker(package, row.remote).substr(9, 8);
    std::string earlier;
    for (int line = 0; line < row.earlier; ++line) earlier += "checksum=0BADF00D package=OV3_UPGRADE_1.BIN tick=7\r\n";
    device.WriteFile(kMerrow + L"Rejected.txt",
                     earlier + (row.rejected ? "checksum=" + checksum + " package=X tick=9\r\n" : std::string()));

    auto run = scenario::RunRuvexa(device.Root(), {"--time-scale", "100"}, scratch_);

    if (!row.rejected) {
        EXPECT_EQ(scenario::WhyNotUpgraded(device, run, content_, row.remote, true, 3), "") << run.err;
        return;
    }
    EXPECT_EQ(scenario::WhyNotRefused(device, run, row.remote), "") << run.err << run.log;
    std::string missing;
    EXPECT_TRUE(scenario::InOrder(run.MaskedLog(),
                                  {"StartExtraction(): !!! Rolled back=[" +
                                       (row.remote ? std::string("\\Storage Card\\OV3_Download\\OV3_UPGRADE_2024.BIN")
                                                   : std::string("Hard Disk\\OV3_UPGRADE_7.BIN")) +
                                       "], checksum=[" + checksum + "], at=[*]",
                                   "EndRefusal(): removed upgrade request, at=[*]"},
                                  &missing))
        << missing << "\n"
        << run.log;
}

INSTANTIATE_TEST_SUITE_P(Rows, Refusal,
                         ::testing::Values(RefusalRow{"RemoteRejectedIsRefused", true, true, 1},
                                           RefusalRow{"UsbRejectedIsRefused", false, true, 1},
                                           // 3,068 bytes of earlier releases: the line
                                           // spans two of the pieces the file is read in
                                           RefusalRow{"RejectedAcrossTwoPiecesIsRefused", true, true, 59},
                                           RefusalRow{"AnotherChecksumInstalls", true, false, 1}),
                         [](const ::testing::TestParamInfo<RefusalRow>& info) { return info.param.name; });

}  // namespace
