// An interrupted ruvexa-pack leaves no temporary behind: build and verify,
// each held while its temporaries exist, then ended by SIGINT or SIGTERM.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>

#include "pack_runner.h"

namespace fs = std::filesystem;
using pack_test::HeldRun;
using pack_test::RandomBytes;
using pack_test::ToolRun;
using pack_test::Workspace;

namespace {

struct Interruption {
    const char* name;
    bool verify = false;  // else build
    int signal = 0;
    int status = 0;
};

void PrintTo(const Interruption& row, std::ostream* out) { *out << row.name; }

// The names in a folder, "" when there are none.
std::string Listing(const std::string& folder) {
    std::string names;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) names += entry.path().string() + " ";
    return names;
}

class InterruptTest : public ::testing::TestWithParam<Interruption> {};

TEST_P(InterruptTest, LeavesNoTemporaryBehind) {
    const Interruption& row = GetParam();
    Workspace space;
    space.Write("app.exe", RandomBytes(3000, 1));
    space.Write("images/logo.bmp", RandomBytes(200000, 2));
    fs::create_directories(space.Path("out"));
    fs::create_directories(space.Path("tmp"));
    std::vector<std::string> words;
    std::string held;  // a temporary that exists once the run stops
    if (row.verify) {
        // Archived as `zip -r` does, so that verify warns with its sections
        // in a temporary folder.
        ToolRun zip = space.Tool("sh", {"-c", "cd '" + space.Path("") + "' && zip -qr images.zip images"});
        ASSERT_EQ(zip.status, 0) << zip.err;
        ASSERT_EQ(space.Pack({"build", "--exe", space.Path("app.exe"), "--images", space.Path("images.zip"), "-o",
                              space.Path("OV3_UPGRADE_1.BIN")}).status, 0);
        words = {"verify", space.Path("OV3_UPGRADE_1.BIN")};
        held = "AppImages.zi";
    } else {
        // A named pipe in the folder is skipped with a warning while the
        // package and the zipped folder are temporaries beside the output.
        ASSERT_EQ(mkfifo(space.Path("images/pipe").c_str(), 0600), 0);
        words = {"build", "--exe", space.Path("app.exe"), "--images", space.Path("images"), "-o",
                 space.Path("out/OV3_UPGRADE_1.BIN")};
        held = ".OV3_UPGRADE_1.BIN.images-";
    }
    HeldRun run(words, space.Path("tmp"));
    ASSERT_TRUE(testing_support::WaitUntil(
        [&] {
            return Listing(space.Path(row.verify ? "tmp" : "out")).find(held) != std::string::npos;
        },
        std::chrono::seconds(30)));
    EXPECT_EQ(run.Interrupt(row.signal), row.status);
    EXPECT_EQ(Listing(space.Path("out")), "");
    EXPECT_EQ(Listing(space.Path("tmp")), "");
}

INSTANTIATE_TEST_SUITE_P(Rows, InterruptTest,
                         ::testing::Values(Interruption{.name = "BuildBySigint", .signal = SIGINT, .status = 130},
                                           Interruption{.name = "BuildBySigterm", .signal = SIGTERM, .status = 143},
                                           Interruption{.name = "VerifyBySigint", .verify = true, .signal = SIGINT,
                                                        .status = 130},
                                           Interruption{.name = "VerifyBySigterm", .verify = true,
                                                        .signal = SIGTERM, .status = 143}),
                         [](const ::testing::TestParamInfo<Interruption>& info) { return info.param.name; });

}  // namespace
