// A USB disk that is mounted five device seconds after power-on: the search
// counts its failed probes, one second apart, and finds the disk on a probe
// after it appeared.
#include <gtest/gtest.h>

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

    // A slow clock keeps the host's start-up small in device time. With
    // nothing to launch, the run halts once the search has given up: no
    // switch-off on real time can overtake a slow search.
    auto run = RunRuvexa(device.Root(), {"--time-scale", "5", "--media", "Hard Disk=5000"}, scratch);

    EXPECT_EQ(run.status, 6) << run.err;
    auto lines = run.LogLines();
    ASSERT_GE(lines.size(), 3u) << run.log;
    EXPECT_EQ(testing_support::MaskTicks(lines[0]), "CheckUpgrade(): found upgrade flag, at=[*]");
    EXPECT_EQ(testing_support::MaskTicks(lines[2]), "CheckUpgrade(): !!! Not found upgrade source, retry=[0], at=[*]");

    // Probes run at the flag's time and after every wait of a second; those
    // before 5000 fail. Counted from the ticks, not from an ideal schedule: a
    // loaded host makes each wait a little longer than a second.
    const long flagAt = TickOf(lines[0]);
    const long foundAt = TickOf(lines[1]);
    ASSERT_GE(flagAt, 0);
    ASSERT_LT(flagAt, 5000) << "the host took too long to start";
    EXPECT_GE(foundAt, 5000) << "the disk was seen before it was mounted";
    EXPECT_EQ(testing_support::MaskTicks(lines[1]),
              "CheckUpgrade(): found upgrade source directory=[Hard Disk], dir_retry=[" +
                  std::to_string((foundAt - flagAt) / 1000) + "], at=[*]");
}

}  // namespace
