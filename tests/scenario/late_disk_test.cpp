// A USB disk that is mounted three device seconds after power-on: the search
// counts its failed probes, one second apart, and finds the disk on the
// first probe after it appeared.
#include <gtest/gtest.h>

#include <cmath>

#include "ruvexa_runner.h"

namespace {

using scenario::RunRuvexa;
using scenario::Scratch;
using scenario::TickOf;

TEST(LateUsbDisk, TheDirectoryLineCountsTheProbesMadeBeforeTheDiskAppeared) {
    testing_support::TempDevice device;
    device.WriteFile(L"\\NandFlash\\Upgrade.flag", "");
    device.MakeFolder(L"\\Hard Disk");
    Scratch scratch;

    // A slow clock keeps the host's start-up small in device time. The disk
    // is found by 4000 at the latest; the run is switched off in the wait
    // that follows the first package search.
    auto run = RunRuvexa(device.Root(),
                         {"--time-scale", "5", "--media", "Hard Disk=3000", "--power-off-after", "4500"}, scratch);

    EXPECT_EQ(run.status, 5) << run.err;
    auto lines = run.LogLines();
    ASSERT_GE(lines.size(), 3u) << run.log;
    EXPECT_EQ(testing_support::MaskTicks(lines[0]), "CheckUpgrade(): found upgrade flag, at=[*]");
    EXPECT_EQ(testing_support::MaskTicks(lines[2]), "CheckUpgrade(): !!! Not found upgrade source, retry=[0], at=[*]");

    // Probes run at the flag's time and every second after it; those before
    // 3000 fail. Normally the flag is found at a few hundred ms: dir_retry 3.
    long flagAt = TickOf(lines[0]);
    ASSERT_GE(flagAt, 0);
    ASSERT_LT(flagAt, 3000) << "the host took too long to start";
    int failedProbes = static_cast<int>(std::ceil((3000.0 - flagAt) / 1000.0));
    EXPECT_EQ(testing_support::MaskTicks(lines[1]),
              "CheckUpgrade(): found upgrade source directory=[Hard Disk], dir_retry=[" +
                  std::to_string(failedProbes) + "], at=[*]");
    EXPECT_GE(TickOf(lines[1]), 3000) << "the disk was seen before it was mounted";
}

}  // namespace
