// ruvexa-pack build, verify, inspect and unpack on good packages: the round
// trip, the zipped folder as read by Info-ZIP's unzip, and the refusals.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <regex>

#include "pack_runner.h"

namespace fs = std::filesystem;
using pack_test::RandomBytes;
using pack_test::ToolRun;
using pack_test::Workspace;

namespace {

const std::string kPackage = "OV3_UPGRADE_7.02.BIN";

// An exe over 1 MiB (so that it spans two transfer chunks), an images folder
// with nested, empty and read-only entries, and a fonts zip made by zip(1).
class BuildTest : public ::testing::Test {
protected:
    void SetUp() override {
        exe_ = RandomBytes((1 << 20) + 4321, 1);
        space_.Write("app.exe", exe_);
        fs::create_directories(space_.Path("images/icons/small"));
        fs::create_directories(space_.Path("images/empty"));
        // Before 1980, which MS-DOS times cannot hold.
        fs::last_write_time(space_.Path("images/empty"),
                            fs::last_write_time(space_.Path("images")) - std::chrono::hours(24 * 365 * 60));
        space_.Write("images/background.bmp", RandomBytes(70000, 2));
        space_.Write("images/icons/usb.bmp", "icon");
        space_.Write("images/icons/small/dot.bmp", "");
        space_.Write("images/readonly.txt", "locked");
        fs::permissions(space_.Path("images/readonly.txt"),
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
        fs::create_directories(space_.Path("fontsrc"));
        space_.Write("fontsrc/Sans.ttf", RandomBytes(30000, 3));
        ToolRun zip = space_.Tool("zip", {"-q", "-j", space_.Path("fonts.zip"), space_.Path("fontsrc/Sans.ttf")});
        ASSERT_EQ(zip.status, 0) << zip.err;
    }

    ToolRun Build(const std::vector<std::string>& extra = {}) {
        std::vector<std::string> arguments = {"build", "--exe", space_.Path("app.exe"), "--images",
                                              space_.Path("images")};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return space_.Pack(arguments);
    }

    Workspace space_;
    std::string exe_;
};

uint64_t NumberAfter(const std::string& text, const std::string& label) {
    std::smatch match;
    if (!std::regex_search(text, match, std::regex(label + R"(:\s+(\d+))"))) return UINT64_MAX;
    return std::stoull(match[1]);
}

std::string HexAfter(const std::string& text, const std::string& label) {
    std::smatch match;
    if (!std::regex_search(text, match, std::regex(label + R"(:\s+(0x[0-9A-F]{8}))"))) return "missing";
    return match[1];
}

TEST_F(BuildTest, PackageVerifiesAndUnpacksToTheInputs) {
    ToolRun build = Build({"--fonts", space_.Path("fonts.zip"), "-o", space_.Path(kPackage)});
    ASSERT_EQ(build.status, 0) << build.err;
    EXPECT_EQ(build.err, "") << "a well-named package draws no warning";

    ToolRun verify = space_.Pack({"verify", space_.Path(kPackage)});
    EXPECT_EQ(verify.status, 0) << verify.out << verify.err;
    EXPECT_EQ(verify.out, "ok\n");

    ToolRun unpack = space_.Pack({"unpack", space_.Path(kPackage), space_.Path("out/sub")});
    ASSERT_EQ(unpack.status, 0) << unpack.out << unpack.err;
    EXPECT_EQ(space_.Read("out/sub/AppExecute.ex"), exe_);
    EXPECT_EQ(space_.Read("out/sub/AppFonts.zi"), space_.Read("fonts.zip")) << "a zip file is taken as is";

    // The package is exactly head, sections and tail.
    std::string images = space_.Read("out/sub/AppImages.zi");
    std::string package = space_.Read(kPackage);
    ASSERT_EQ(package.size(), 8 + exe_.size() + images.size() + space_.Read("fonts.zip").size() + 16);
    EXPECT_EQ(package.substr(0, 4), "3-VO");
    EXPECT_EQ(package.substr(8, exe_.size()), exe_);
    EXPECT_EQ(package.substr(8 + exe_.size(), images.size()), images);

    ToolRun inspect = space_.Pack({"inspect", space_.Path(kPackage)});
    ASSERT_EQ(inspect.status, 0) << inspect.err;
    EXPECT_EQ(NumberAfter(inspect.out, "exe_size"), exe_.size());
    EXPECT_EQ(NumberAfter(inspect.out, "images_size"), images.size());
    EXPECT_EQ(NumberAfter(inspect.out, "fonts_size"), space_.Read("fonts.zip").size());
    EXPECT_EQ(NumberAfter(inspect.out, "data_size"), package.size() - 24);
    EXPECT_EQ(NumberAfter(inspect.out, "length"), package.size());
    EXPECT_NE(HexAfter(inspect.out, "stored"), "missing") << inspect.out;
    EXPECT_EQ(HexAfter(inspect.out, "stored"), HexAfter(inspect.out, "computed")) << inspect.out;
    EXPECT_NE(inspect.out.find("\n  magic:         0x4F562D33 \"3-VO\" (valid)\n"), std::string::npos) << inspect.out;
    ToolRun json = space_.Pack({"inspect", "--json", space_.Path(kPackage)});
    EXPECT_NE(json.out.find("\"head\":{\"complete\":true,\"magic\":\"0x4F562D33\",\"magic_valid\":true,"),
              std::string::npos) << json.out;
}

TEST_F(BuildTest, FolderIsZippedWithFolderEntriesAndMsDosAttributes) {
    ASSERT_EQ(Build({"-o", space_.Path(kPackage)}).status, 0);
    ASSERT_EQ(space_.Pack({"unpack", space_.Path(kPackage), space_.Path("out")}).status, 0);
    const std::string archive = space_.Path("out/AppImages.zi");

    ToolRun test = space_.Tool("unzip", {"-t", archive});
    EXPECT_EQ(test.status, 0) << test.out << test.err;

    ToolRun names = space_.Tool("unzip", {"-Z1", archive});
    ASSERT_EQ(names.status, 0) << names.err;
    EXPECT_EQ(names.out,
              "background.bmp\n"
              "empty/\n"
              "icons/\n"
              "icons/small/\n"
              "icons/small/dot.bmp\n"
              "icons/usb.bmp\n"
              "readonly.txt\n")
        << "sorted names relative to the folder, folders with a trailing \"/\"";

    ToolRun details = space_.Tool("unzip", {"-Z", "-v", archive});
    ASSERT_EQ(details.status, 0) << details.err;
    std::regex origin("operating system of origin:\\s+MS-DOS");
    EXPECT_EQ(std::distance(std::sregex_iterator(details.out.begin(), details.out.end(), origin),
                            std::sregex_iterator()),
              7)
        << "every entry is made by MS-DOS";
    EXPECT_NE(details.out.find("MS-DOS file attributes (10 hex):"), std::string::npos) << "folder entries";
    EXPECT_NE(details.out.find("MS-DOS file attributes (20 hex):"), std::string::npos) << "archive bit on files";
    EXPECT_NE(details.out.find("MS-DOS file attributes (21 hex):"), std::string::npos) << "read-only file";
    EXPECT_NE(details.out.find("(DOS date/time):          1980 Jan 1 00:00:00"), std::string::npos)
        << "a time before 1980 becomes the earliest MS-DOS time";
    EXPECT_NE(details.out.find("compression method:                             deflated"), std::string::npos);

    // The files come back whole, with their modification time to MS-DOS's
    // two-second resolution.
    fs::create_directories(space_.Path("check"));
    ASSERT_EQ(space_.Tool("unzip", {"-q", archive, "-d", space_.Path("check")}).status, 0);
    EXPECT_EQ(space_.Read("check/background.bmp"), space_.Read("images/background.bmp"));
    EXPECT_EQ(space_.Read("check/icons/usb.bmp"), "icon");
    EXPECT_TRUE(fs::is_directory(space_.Path("check/empty")));
    auto original = fs::last_write_time(space_.Path("images/background.bmp"));
    auto unpacked = fs::last_write_time(space_.Path("check/background.bmp"));
    EXPECT_LE(std::chrono::abs(original - unpacked), std::chrono::seconds(2));
}

TEST_F(BuildTest, ListShowsWhereEachFileIsInstalled) {
    ASSERT_EQ(Build({"--fonts", space_.Path("fonts.zip"), "-o", space_.Path(kPackage)}).status, 0);
    ToolRun list = space_.Pack({"list", space_.Path(kPackage)});
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(list.err, "");
    EXPECT_EQ(list.out,
              "     1052897  \\NandFlash\\Merrow\\Orvane3.exe\n"
              "              \\NandFlash\\Merrow\\Images\\\n"
              "       70000  \\NandFlash\\Merrow\\Images\\background.bmp\n"
              "              \\NandFlash\\Merrow\\Images\\empty\\\n"
              "              \\NandFlash\\Merrow\\Images\\icons\\\n"
              "              \\NandFlash\\Merrow\\Images\\icons\\small\\\n"
              "           0  \\NandFlash\\Merrow\\Images\\icons\\small\\dot.bmp\n"
              "           4  \\NandFlash\\Merrow\\Images\\icons\\usb.bmp\n"
              "           6  \\NandFlash\\Merrow\\Images\\readonly.txt\n"
              "              \\NandFlash\\Merrow\\Font\\\n"
              "       30000  \\NandFlash\\Merrow\\Font\\Sans.ttf\n");
}

// `zip -r images.zip images` puts every entry under "images/": build, verify
// and list each warn that the device installs one folder deeper.
TEST_F(BuildTest, ArchiveUnderOneFolderIsWarnedAbout) {
    ToolRun zip = space_.Tool("sh", {"-c", "cd '" + space_.Path("") + "' && zip -qr nested.zip images"});
    ASSERT_EQ(zip.status, 0) << zip.err;
    const std::string warning =
        "ruvexa-pack: warning: every entry of the images archive is under 'images/': the device will install "
        "\\NandFlash\\Merrow\\Images\\images\\...; make the archive from inside the folder: cd images && zip -r "
        "../images.zip .\n";
    ToolRun build = space_.Pack({"build", "--exe", space_.Path("app.exe"), "--images", space_.Path("nested.zip"),
                                 "-o", space_.Path(kPackage)});
    EXPECT_EQ(build.status, 0) << build.err;
    EXPECT_EQ(build.err, warning);
    for (const char* command : {"verify", "list"}) {
        SCOPED_TRACE(command);
        ToolRun run = space_.Pack({command, space_.Path(kPackage)});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, warning);
    }
    EXPECT_NE(space_.Pack({"list", space_.Path(kPackage)}).out.find("\\Images\\images\\icons\\usb.bmp\n"),
              std::string::npos);
}

TEST_F(BuildTest, PackageWithoutFontsHasAnEmptyFontsSection) {
    ASSERT_EQ(Build({"-o", space_.Path(kPackage)}).status, 0);
    fs::create_directories(space_.Path("out"));
    space_.Write("out/AppFonts.zi", "left over");
    ToolRun inspect = space_.Pack({"inspect", space_.Path(kPackage)});
    EXPECT_EQ(NumberAfter(inspect.out, "fonts_size"), 0u);

    ToolRun unpack = space_.Pack({"unpack", space_.Path(kPackage), space_.Path("out")});
    EXPECT_EQ(unpack.status, 0) << unpack.err;
    EXPECT_NE(unpack.out.find("AppFonts.zi not written"), std::string::npos) << unpack.out;
    EXPECT_NE(unpack.err.find("left from before"), std::string::npos) << unpack.err;
    EXPECT_EQ(space_.Read("out/AppFonts.zi"), "left over");
}

TEST_F(BuildTest, OutputNameOutsideThePatternIsWarnedButWritten) {
    ToolRun lower = Build({"-o", space_.Path("ov3_upgrade_x.bin")});
    EXPECT_EQ(lower.status, 0);
    EXPECT_EQ(lower.err, "") << "the device matches names without regard to case";

    // A typo in the pattern: build and verify both say the device will not
    // find it, and verify still judges the content sound.
    const std::string warning =
        "ruvexa-pack: warning: the device looks for OV3_UPGRADE_*.BIN and will not find 'OV3_UPGRAED_X.BIN'\n";
    ToolRun other = Build({"-o", space_.Path("OV3_UPGRAED_X.BIN")});
    EXPECT_EQ(other.status, 0) << other.err;
    EXPECT_EQ(other.err, warning);
    ToolRun verify = space_.Pack({"verify", space_.Path("OV3_UPGRAED_X.BIN")});
    EXPECT_EQ(verify.status, 0);
    EXPECT_EQ(verify.out, "ok\n");
    EXPECT_EQ(verify.err, warning);
}

TEST_F(BuildTest, RefusesWhatTheDeviceWouldRejectAndLeavesNoFile) {
    space_.Write("empty.exe", "");
    ToolRun emptyExe = space_.Pack({"build", "--exe", space_.Path("empty.exe"), "--images", space_.Path("images"),
                                "-o", space_.Path(kPackage)});
    EXPECT_EQ(emptyExe.status, 1);
    EXPECT_NE(emptyExe.err.find("empty.exe' is empty"), std::string::npos) << emptyExe.err;

    space_.Write("empty.zip", "");
    ToolRun emptyImages = space_.Pack({"build", "--exe", space_.Path("app.exe"), "--images", space_.Path("empty.zip"),
                                   "-o", space_.Path(kPackage)});
    EXPECT_EQ(emptyImages.status, 1);
    EXPECT_NE(emptyImages.err.find("empty.zip' is empty"), std::string::npos) << emptyImages.err;

    // An empty folder would give an archive of nothing, which the device
    // cannot open.
    fs::create_directories(space_.Path("emptyfolder"));
    ToolRun emptyFolder = space_.Pack({"build", "--exe", space_.Path("app.exe"), "--images",
                                       space_.Path("emptyfolder"), "-o", space_.Path(kPackage)});
    EXPECT_EQ(emptyFolder.status, 1);
    EXPECT_NE(emptyFolder.err.find("holds nothing"), std::string::npos) << emptyFolder.err;

    ToolRun missingFonts = Build({"--fonts", space_.Path("nofonts"), "-o", space_.Path(kPackage)});
    EXPECT_EQ(missingFonts.status, 1);
    EXPECT_NE(missingFonts.err.find("nofonts': No such file or directory"), std::string::npos) << missingFonts.err;

    // Nothing of the failed runs is left beside the output.
    for (const auto& entry : fs::directory_iterator(space_.Path(""))) {
        EXPECT_NE(entry.path().filename().string().rfind(".OV3", 0), 0u) << entry.path();
    }
    EXPECT_FALSE(space_.Exists(kPackage));
}

}  // namespace
