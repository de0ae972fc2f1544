// A power cut at every moment of an upgrade: for each file-system change N
// of the upgrade boot, one boot loses power right before change N, then the
// device boots on its own until it ends by itself. Every cut point must
// converge to the new application running on exactly the new files, in the
// clean model (all that was written is kept) and in the lossy one (data not
// flushed is lost).
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "ruvexa_runner.h"
#include "upgrade_package.h"

namespace {

using scenario::Scratch;
using testing_support::Concat;
using testing_support::TempDevice;

struct SweepCase {
    std::string name;
    bool remote;
    bool loseUnflushed;
};

// Device time runs fast enough that the waits of a boot take milliseconds; a
// boot that halts on an error screen ends at once (headless, status 6).
const std::vector<std::string> kFastBoots = {"--time-scale", "100"};

// The file-system changes of a whole upgrade boot, as the host counts them.
unsigned long ChangesOfUpgradeBoot(const scenario::BuiltPackage& package, bool remote, const Scratch& scratch) {
    TempDevice device;
    scenario::MakeUpgradeDevice(device, package, remote);
    auto run = scenario::RunRuvexa(device.Root(), kFastBoots, scratch);
    std::smatch match;
    static const std::regex counted("ruvexa-host: ([0-9]+) file-system changes in this boot");
    if (run.status != 3 || !std::regex_search(run.err, match, counted)) {
        ADD_FAILURE() << "the uncut upgrade did not end in a reset:\n" << run.err << run.log;
        return 0;
    }
    return std::stoul(match[1]);
}

void PrintTo(const SweepCase& sweep, std::ostream* out) { *out << sweep.name; }

class PowerCutSweep : public ::testing::TestWithParam<SweepCase> {};

TEST_P(PowerCutSweep, EveryCutPointConverges) {
    const SweepCase& sweep = GetParam();
    Scratch scratch;
    const scenario::UpgradeContent content = scenario::StandardUpgrade();
    const scenario::BuiltPackage package = scenario::BuildUpgradePackage(content, scratch);
    const unsigned long cutPoints = ChangesOfUpgradeBoot(package, sweep.remote, scratch);
    ASSERT_GT(cutPoints, 0u);

    unsigned long converged = 0;
    for (unsigned long cut = 1; cut <= cutPoints; ++cut) {
        TempDevice device;
        scenario::MakeUpgradeDevice(device, package, sweep.remote);
        std::vector<std::string> options =
            Concat(kFastBoots, {"--power-cut-after", std::to_string(cut), "--boots", "4"});
        if (sweep.loseUnflushed) options.push_back("--lose-unflushed");

        auto run = scenario::RunRuvexa(device.Root(), options, scratch);

        const std::string why = scenario::WhyNotUpgraded(device, run, content, sweep.remote);
        if (why.empty()) {
            ++converged;
        } else {
            ADD_FAILURE() << "cut before change " << cut << " did not converge:\n" << why << run.err;
        }
    }
    std::printf("%s: converged %lu of %lu cut points\n", sweep.name.c_str(), converged, cutPoints);
    EXPECT_EQ(converged, cutPoints);
}

INSTANTIATE_TEST_SUITE_P(Upgrades, PowerCutSweep,
                         ::testing::Values(SweepCase{"RemoteClean", true, false}, SweepCase{"RemoteLossy", true, true},
                                           SweepCase{"LocalClean", false, false}, SweepCase{"LocalLossy", false, true}),
                         [](const ::testing::TestParamInfo<SweepCase>& info) { return info.param.name; });

}  // namespace
