// Packages whose sizes push the 32-bit arithmetic: sizes whose sum wraps at
// 2^32, and a sparse package of almost 4 GiB. Each ends with its code on
// screen, in bounded time, and nothing changes outside the download folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ruvexa_runner.h"
#include "test_bytes.h"
#include "upgrade_package.h"

namespace {

using scenario::kRemotePackage;
using scenario::Scratch;
using testing_support::LittleEndian;

struct SizesRow {
    std::string name;
    uint32_t fileSize;   // the package's length; all but head, tail and `data` is a hole
    std::string data{};  // section bytes written right after the head
    uint32_t exeSize;
    uint32_t imagesSize;
    uint32_t fontsSize = 0;
    std::vector<std::string> options{};  // after --time-scale 100
    std::string halted;                  // what the screen shows when the device stops
};

// Head, data, a hole up to the tail, and the tail (checksum 0): only what is
// written takes room on the host's disk.
void WriteSparsePackage(const std::string& hostPath, const SizesRow& row) {
    const std::string head = "3-VO" + LittleEndian(row.exeSize + row.imagesSize + row.fontsSize);
    std::string tail;
    for (uint32_t value : {row.exeSize, row.imagesSize, row.fontsSize, 0u}) tail += LittleEndian(value);
    const std::string start = head + row.data;
    int fd = open(hostPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(pwrite(fd, start.data(), start.size(), 0), static_cast<ssize_t>(start.size()));
    EXPECT_EQ(pwrite(fd, tail.data(), tail.size(), static_cast<off_t>(row.fileSize) - 16), 16);
    close(fd);
}

const std::vector<SizesRow>& Rows() {
    constexpr uint32_t kNearlyFourGiB = 0xFFFFFF00u;
    constexpr uint32_t kMiB = 1024 * 1024;
    static const std::vector<SizesRow> rows = {
        // 100 + (100 + 2^31) + (100 + 2^31) wraps to 300, the real data: the
        // images copy then runs out of package.
        {.name = "WrappedSizesFailInTheOversizedSection",
         .fileSize = 324,
         .data = std::string(300, 'x'),
         .exeSize = 100,
         .imagesSize = 100u + 0x80000000u,
         .fontsSize = 100u + 0x80000000u,
         .halted = "Err22 Preparation failed"},
        // The whole images section is asked for; the disk fills on the
        // second chunk of it (after the upgrade log's two writes at the
        // search's end and the exe's one).
        {.name = "NearlyFourGiBOnAFullDisk",
         .fileSize = kNearlyFourGiB,
         .exeSize = kMiB,
         .imagesSize = kNearlyFourGiB - 24 - kMiB,
         .options = {"--fail", "WriteFile:112:5"},
         .halted = "Err22 Preparation failed"},
        {.name = "NearlyFourGiBWithoutExe",
         .fileSize = kNearlyFourGiB,
         .exeSize = 0,
         .imagesSize = kNearlyFourGiB - 24,
         .halted = "Err0D Preparation failed"},
    };
    return rows;
}

void PrintTo(const SizesRow& row, std::ostream* out) { *out << row.name; }

class PackageSizes : public ::testing::TestWithParam<SizesRow> {};

TEST_P(PackageSizes, EndWithTheirCodeAndTouchNothingElse) {
    const SizesRow& row = GetParam();
    Scratch scratch;
    testing_support::TempDevice device;
    scenario::MakeUpgradeDevice(device, scenario::BuiltPackage{}, true);
    WriteSparsePackage(device.Host(kRemotePackage), row);
    const auto flash = testing_support::SnapshotOf(device.Host(L"\\NandFlash"));

    auto run = scenario::RunRuvexa(device.Root(), testing_support::Concat({"--time-scale", "100"}, row.options),
                                   scratch);

    EXPECT_EQ(run.status, 6) << run.err;
    EXPECT_NE(run.err.find("device halted: " + row.halted), std::string::npos) << run.err;
    // Only the start-up folder goes as the upgrade starts.
    const std::string startUp = device.Host(scenario::kStartUpFolder).substr(device.Host(L"\\NandFlash\\").size());
    auto expected = flash;
    for (auto it = expected.begin(); it != expected.end();) {
        it = it->first.rfind(startUp, 0) == 0 ? expected.erase(it) : std::next(it);
    }
    EXPECT_EQ(testing_support::TreeDifference(
                  scenario::WithoutUpgradeLogs(testing_support::SnapshotOf(device.Host(L"\\NandFlash"))), expected),
              "");
    EXPECT_EQ(device.Exists(scenario::kDownload + L"AppExecute.ex"), false);
    // Whatever stays at the download folder takes room for what was written
    // only: the package itself keeps its holes.
    struct stat st;
    ASSERT_EQ(stat(device.Host(kRemotePackage).c_str(), &st), 0);
    EXPECT_EQ(static_cast<uint32_t>(st.st_size), row.fileSize);
}

INSTANTIATE_TEST_SUITE_P(Rows, PackageSizes, ::testing::ValuesIn(Rows()),
                         [](const ::testing::TestParamInfo<SizesRow>& info) { return info.param.name; });

}  // namespace
