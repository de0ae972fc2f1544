// The host options of build/ruvexa: bad options end with status 2 and the
// usage; a power cut ends a boot with 9, and the boots that follow take the
// upgrade to its end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ruvexa_runner.h"
#include "upgrade_package.h"

namespace {

using scenario::RunRuvexaExactly;
using scenario::Scratch;

TEST(HostOptions, BadOptionsEndWithStatusTwoAndTheUsage) {
    Scratch scratch;
    testing_support::TempDevice device;
    const std::vector<std::vector<std::string>> rows = {
        {},
        {"--device-root"},
        {"--device-root", scratch.Path("no-such-folder")},
        {"--device-root", device.Root(), "--time-scale", "0"},
        {"--device-root", device.Root(), "--time-scale", "fast"},
        {"--device-root", device.Root(), "--media", "Hard Disk"},
        {"--device-root", device.Root(), "--power-cut-after", "0"},
        {"--device-root", device.Root(), "--lose-unflushed"},
        {"--device-root", device.Root(), "--boots", "-1"},
        {"--device-root", device.Root(), "--colour"},
    };
    for (const auto& arguments : rows) {
        scenario::RuvexaRun run = RunRuvexaExactly(arguments, scratch);
        std::string shown = arguments.empty() ? "(none)" : arguments.back();
        EXPECT_EQ(run.status, 2) << shown;
        EXPECT_NE(run.err.find("usage: ruvexa --device-root DIR"), std::string::npos) << shown << run.err;
    }
}

TEST(HostOptions, HelpPrintsTheUsage) {
    Scratch scratch;
    std::string out;
    scenario::RuvexaRun run = RunRuvexaExactly({"--help"}, scratch, &out);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(out.find("--power-cut-after N"), std::string::npos) << out;
}

// The power goes while the extraction writes its first file. The flag and
// the package stay, so the second boot extracts and installs anew (the
// partly written file is replaced) and resets; the third starts the new
// program and quits by itself.
TEST(HostOptions, BootsAfterAPowerCutFinishTheUpgrade) {
    Scratch scratch;
    testing_support::TempDevice device;
    scenario::BuiltPackage package = scenario::BuildUpgradePackage(scenario::StandardUpgrade(), scratch);
    device.WriteFile(L"\\NandFlash\\Merrow\\Orvane3.exe", "#!/bin/sh\ntouch old_orvane3.ran\n");
    device.WriteFile(L"\\NandFlash\\Merrow\\Images\\Old.bmp", "BM old");
    device.WriteFile(L"\\NandFlash\\Merrow\\Font\\Old.ttf", "old");
    device.WriteFile(L"\\NandFlash\\RemoteUpgrade.flag", "");
    device.WriteFile(L"\\Storage Card\\OV3_Download\\OV3_UPGRADE_9.BIN", package.bytes);

    const std::string log = scratch.Path("boots.log");
    scenario::RuvexaRun run = RunRuvexaExactly({"--device-root", device.Root(), "--headless", "--time-scale", "200",
                                                "--log", log, "--power-cut-after", "2", "--boots", "3",
                                                "--power-off-after", "60000"},
                                               scratch);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("power cut before file-system change 2 (exit 9)"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("reset through AIP1: (exit 3)"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("boot 3"), std::string::npos) << run.err;

    // Each boot appends to the one log: two extractions, one installation.
    const std::string text = scenario::ReadHostFile(log);
    size_t extractions = 0;
    for (size_t at = 0; (at = text.find("pre-verification ok", at)) != std::string::npos; ++at) ++extractions;
    EXPECT_EQ(extractions, 2u) << text;
    EXPECT_NE(text.find("=== Upgrade Complete ==="), std::string::npos) << text;

    EXPECT_TRUE(scenario::AppearsSoon(device, L"\\NandFlash\\Merrow\\new_orvane3.ran"));
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\RemoteUpgrade.flag"));
    EXPECT_FALSE(device.Exists(L"\\Storage Card\\OV3_Download\\AppExecute.ex"));
}

}  // namespace
