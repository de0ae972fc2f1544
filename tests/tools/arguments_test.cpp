// ruvexa-pack's command line: help, version, bad arguments (exit 2 with a
// hint where the usage is)
// and files that cannot be read (exit 1 naming the file).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "pack_runner.h"

using pack_test::ToolRun;
using pack_test::Workspace;

namespace {

TEST(PackArgumentsTest, HelpGoesToStandardOutput) {
    Workspace space;
    for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
             {"--help"}, {"-h"}, {"build", "--help"}, {"verify", "-h"}, {"unpack", "--help"}}) {
        SCOPED_TRACE(words.front() + " " + words.back());
        ToolRun run = space.Pack(words);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out.rfind("usage: ruvexa-pack", 0), 0u) << run.out;
        EXPECT_EQ(run.err, "");
    }
    EXPECT_NE(space.Pack({"build", "--help"}).out.find("--images ZIP|DIR"), std::string::npos);
}

TEST(PackArgumentsTest, VersionGoesToStandardOutput) {
    ToolRun run = Workspace().Pack({"--version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("ruvexa-pack 1.", 0), 0u) << run.out;
}

TEST(PackArgumentsTest, BadArgumentsExitTwoWithAHint) {
    Workspace space;
    space.Write("a", "x");
    const std::string a = space.Path("a");
    struct Case {
        std::vector<std::string> words;
        const char* message;
    };
    const Case cases[] = {
        {{}, "no command given"},
        {{"pack"}, "unknown command 'pack'"},
        {{"--verbose"}, "unknown option --verbose"},
        {{"verify", "--exe", a}, "unknown option --exe"},
        {{"build", "--exe", a, "--images", a, "--colour", "red", "-o", a}, "unknown option --colour"},
        {{"build", "--exe", a, "--images", a, "-o"}, "option '-o' needs a value"},
        {{"build", "--exe", a, "--exe", a, "--images", a, "-o", a}, "option '--exe' given more than once"},
        {{"build", "--images", a, "-o", a}, "missing required option --exe"},
        {{"build", "--exe", a, "-o", a}, "missing required option --images"},
        {{"build", "--exe", a, "--images", a}, "missing required option -o"},
        {{"build", "--exe", a, "--images", a, "-o", a, "extra"}, "unexpected argument 'extra'"},
        {{"verify"}, "missing package FILE"},
        {{"inspect"}, "missing package FILE"},
        {{"unpack", a}, "missing output folder DIR"},
        {{"unpack", a, a, a}, "unexpected argument"},
        {{"sign", a}, "missing required option --key"},
        {{"keygen"}, "missing key NAME"},
        {{"verify", "--sign", a, a}, "unknown option --sign"},
        {{"keygen", ""}, "key NAME must not be empty"},
        {{"build", "--exe=", "--images", a, "-o", a}, "option '--exe' needs a non-empty value"},
        {{"sign", "--key", a, "--security-version", "-1", a}, "needs a whole number from 0 to 4294967295"},
        {{"sign", "--key", a, "--security-version=4294967296", a}, "needs a whole number from 0 to 4294967295"},
        {{"sign", "--key", a, "--security-version", "seven", a}, "needs a whole number from 0 to 4294967295"},
        {{"sign", "--key", a, "--security-version=", a}, "option '--security-version' needs a non-empty value"},
        {{"build", "--exe", a, "--images", a, "--security-version", "3", "-o", a}, "requires --sign"},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& word : c.words) line += word + " ";
        SCOPED_TRACE(line);
        ToolRun run = space.Pack(c.words);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        // One line why, one line where the usage is.
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 2) << run.err;
        const std::string command = c.words.empty() || c.words[0][0] == '-' || c.words[0] == "pack" ? "" : c.words[0] + " ";
        EXPECT_NE(run.err.find("\nsee ruvexa-pack " + command + "--help\n"), std::string::npos) << run.err;
    }
}

TEST(PackArgumentsTest, MissingFilesExitOneNamingTheFile) {
    Workspace space;
    space.Write("app.exe", "MZ");
    space.Write("images.zip", "PK");
    const std::string missing = space.Path("OV3_UPGRADE_MISSING.BIN");
    for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
             {"verify", missing},
             {"inspect", missing},
             {"unpack", missing, space.Path("out")},
             {"build", "--exe", missing, "--images", space.Path("images.zip"), "-o", space.Path("OV3_UPGRADE_1.BIN")},
             {"build", "--exe", space.Path("app.exe"), "--images", missing, "-o", space.Path("OV3_UPGRADE_1.BIN")},
         }) {
        SCOPED_TRACE(words.front());
        ToolRun run = space.Pack(words);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("'" + missing + "': No such file or directory"), std::string::npos) << run.err;
    }
    EXPECT_FALSE(space.Exists("out"));
    EXPECT_FALSE(space.Exists("OV3_UPGRADE_1.BIN"));

    ToolRun intoMissingFolder = space.Pack({"build", "--exe", space.Path("app.exe"), "--images",
                                        space.Path("images.zip"), "-o", space.Path("nowhere/OV3_UPGRADE_1.BIN")});
    EXPECT_EQ(intoMissingFolder.status, 1);
    EXPECT_NE(intoMissingFolder.err.find(space.Path("nowhere")), std::string::npos) << intoMissingFolder.err;
}

// Inputs the tool refuses with exit 1, a one-line error, and nothing written.
TEST(PackArgumentsTest, MistakenInputsAreRefused) {
    Workspace space;
    space.Write("app.exe", "MZ");
    space.Write("images/a.bmp", "BM");
    ASSERT_EQ(space.Pack({"build", "--exe", space.Path("app.exe"), "--images", space.Path("images"), "-o",
                          space.Path("OV3_UPGRADE_1.BIN")}).status, 0);
    std::filesystem::create_directories(space.Path("keys"));
    std::filesystem::create_directories(space.Path("blocked/AppImages.zi"));
    const std::string package = space.Read("OV3_UPGRADE_1.BIN");
    const std::string p = space.Path("");  // every path below is absolute: "<p>name"
    struct Row {
        std::vector<std::string> words;
        std::string message;
    };
    const Row rows[] = {
        {.words = {"keygen", p + "keys"}, .message = "'" + p + "keys' names a folder"},
        {.words = {"keygen", p + "keys/"}, .message = "'" + p + "keys/' names a folder"},
        {.words = {"build", "--exe", p + "app.exe", "--images", p + "OV3_UPGRADE_1.BIN", "-o", p + "OV3_UPGRADE_1.BIN"},
         .message = "'" + p + "OV3_UPGRADE_1.BIN' is both the output and the --images input"},
        {.words = {"build", "--exe", p + "app.exe", "--images", p + "images", "-o", p + "./app.exe"},
         .message = "is both the output and the --exe input"},
        {.words = {"build", "--exe", p + "app.exe", "--images", p + "OV3_UPGRADE_1.BIN", "-o", p + "OV3_UPGRADE_2.BIN"},
         .message = "'" + p + "OV3_UPGRADE_1.BIN' is an upgrade package, not a zip archive"},
        {.words = {"build", "--exe", p + "app.exe", "--images", p + "images", "-o", p + "nowhere/OV3_UPGRADE_2.BIN"},
         .message = "cannot write '" + p + "nowhere/OV3_UPGRADE_2.BIN': '" + p + "nowhere', its folder, does not exist"},
        {.words = {"unpack", p + "OV3_UPGRADE_1.BIN", p + "app.exe/out"},
         .message = "cannot create the folder '" + p + "app.exe/out': '" + p + "app.exe' is a file"},
        {.words = {"unpack", p + "OV3_UPGRADE_1.BIN", p + "blocked"},
         .message = "cannot write '" + p + "blocked/AppImages.zi': it is a folder"},
        {.words = {"inspect", "--json", p + "missing.BIN"}, .message = "'" + p + "missing.BIN': No such file"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.words[0] + " " + row.words[1]);
        ToolRun run = space.Pack(row.words);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err.rfind("ruvexa-pack: error: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(row.message), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    EXPECT_EQ(space.Read("OV3_UPGRADE_1.BIN"), package);
    EXPECT_EQ(space.Read("app.exe"), "MZ");
    EXPECT_TRUE(std::filesystem::is_empty(space.Path("keys")));
    EXPECT_FALSE(space.Exists("OV3_UPGRADE_2.BIN"));
    EXPECT_FALSE(space.Exists("blocked/AppExecute.ex"));
    // A script reading --json still gets one JSON object.
    EXPECT_EQ(space.Pack({"inspect", "--json", p + "missing.BIN"}).out,
              "{\"file\":\"" + p + "missing.BIN\",\"error\":\"'" + p + "missing.BIN': No such file or directory\"}\n");
}

// verify and inspect read through the device layer, which takes no path of
// 260 characters or more and no "\" in a name.
TEST(PackArgumentsTest, PathsTheDeviceLayerCannotTakeAreRefused) {
    Workspace space;
    const std::string deep = std::string(120, 'd') + "/" + std::string(120, 'e');
    std::filesystem::create_directories(space.Path(deep));
    std::filesystem::create_directories(space.Path("we\\ird"));
    const struct {
        std::string package;
        const char* message;
    } rows[] = {{deep + "/OV3_UPGRADE_1.BIN", "characters long"},
                {"we\\ird/OV3_UPGRADE_1.BIN", "the path holds a \"\\\""}};
    for (const auto& row : rows) {
        space.Write(row.package, "3-VO");
        for (const char* command : {"verify", "inspect"}) {
            SCOPED_TRACE(std::string(command) + " " + row.message);
            ToolRun run = space.Pack({command, space.Path(row.package)});
            EXPECT_EQ(run.status, 1);
            EXPECT_NE(run.err.find(row.message), std::string::npos) << run.err;
        }
    }
}

}  // namespace
