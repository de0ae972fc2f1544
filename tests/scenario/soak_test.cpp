// A soak of power cuts, outside the test run (scripts/soak.sh): one device
// is upgraded again and again, each upgrade requested anew (remote or local)
// and cut by the power at a random change of its first boot (clean or lossy),
// then booted until it ends by itself. Every upgrade must end on the new
// program, and the handles left open and the peak memory of an upgrade boot
// must not grow over the run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "ruvexa_runner.h"
#include "upgrade_package.h"

namespace {

using scenario::Scratch;
using testing_support::TempDevice;

struct BootFigures {
    unsigned long changes = 0;
    unsigned long handles = 0;
    unsigned long memoryKiB = 0;
};

std::vector<BootFigures> FiguresOf(const std::string& err) {
    static const std::regex line(
        "ruvexa-host: ([0-9]+) file-system changes? in this boot, ([0-9]+) handles? open, peak memory ([0-9]+) KiB");
    std::vector<BootFigures> boots;
    for (std::sregex_iterator it(err.begin(), err.end(), line), end; it != end; ++it) {
        boots.push_back({std::stoul((*it)[1]), std::stoul((*it)[2]), std::stoul((*it)[3])});
    }
    return boots;
}

unsigned long Upgrades() {
    const char* count = std::getenv("RUVEXA_SOAK_UPGRADES");
    return count && std::atol(count) > 0 ? static_cast<unsigned long>(std::atol(count)) : 200;
}

TEST(Soak, DISABLED_UpgradesCutAtRandomChangesAllEndOnTheNewProgram) {
    Scratch scratch;
    const scenario::UpgradeContent content = scenario::StandardUpgrade();
    const scenario::BuiltPackage package = scenario::BuildUpgradePackage(content, scratch);
    std::mt19937 random(20261208);
    std::vector<BootFigures> upgradeBoots;
    unsigned long ended = 0;
    const unsigned long upgrades = Upgrades();
    TempDevice device;
    scenario::MakeUpgradeDevice(device, package, true);

    for (unsigned long upgrade = 0; upgrade < upgrades; ++upgrade) {
        const bool remote = random() % 2 == 0;
        const bool lossy = random() % 2 == 0;
        // The request anew, and no trace of the last start of the program.
        scenario::RequestUpgrade(device, package, remote);
        std::remove(device.Host(scenario::kMerrow + L"new_orvane3.ran").c_str());
        // A change count above the boot's own never comes: that upgrade runs uncut.
        const unsigned long cut = 1 + random() % 40;
        std::vector<std::string> options = {"--time-scale", "1000", "--boots", "5", "--power-cut-after",
                                            std::to_string(cut)};
        if (lossy) options.push_back("--lose-unflushed");
        const auto run = scenario::RunRuvexa(device.Root(), options, scratch);
        const std::string why = scenario::WhyNotUpgraded(device, run, content, remote);
        if (why.empty()) {
            ++ended;
        } else {
            ADD_FAILURE() << "upgrade " << upgrade << " (cut before change " << cut << (lossy ? ", lossy" : "")
                          << ") did not end upgraded:\n" << why << run.err;
        }
        // The boot that completes the upgrade is the one before the last.
        const auto boots = FiguresOf(run.err);
        if (boots.size() >= 2) upgradeBoots.push_back(boots[boots.size() - 2]);
    }

    ASSERT_GE(upgradeBoots.size(), 8u);
    const auto quarter = upgradeBoots.size() / 4;
    auto highest = [](auto begin, auto end, unsigned long BootFigures::*field) {
        unsigned long most = 0;
        for (auto it = begin; it != end; ++it) most = std::max(most, (*it).*field);
        return most;
    };
    const auto firstHandles = highest(upgradeBoots.begin(), upgradeBoots.begin() + quarter, &BootFigures::handles);
    const auto lastHandles = highest(upgradeBoots.end() - quarter, upgradeBoots.end(), &BootFigures::handles);
    const auto firstMemory = highest(upgradeBoots.begin(), upgradeBoots.begin() + quarter, &BootFigures::memoryKiB);
    const auto lastMemory = highest(upgradeBoots.end() - quarter, upgradeBoots.end(), &BootFigures::memoryKiB);
    std::printf("soak: %lu of %lu upgrades ended on the new program; upgrade boots: at most %lu then %lu handles "
                "open, peak memory at most %lu then %lu KiB (first and last quarter)\n",
                ended, upgrades, firstHandles, lastHandles, firstMemory, lastMemory);
    EXPECT_EQ(ended, upgrades);
    EXPECT_LE(lastHandles, firstHandles);
    EXPECT_LE(lastMemory, firstMemory + firstMemory / 10) << "peak memory grew by more than a tenth";
}

}  // namespace
