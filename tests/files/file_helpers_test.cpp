// RemoveFolder and FileExists on real folders of a temporary device.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "file_helpers.h"
#include "ruvexa_host.h"
#include "test_support.h"

namespace {

using testing_support::LogCapture;
using testing_support::TempDevice;
using Lines = std::vector<std::string>;

std::string FolderLine(const std::string& path) {
    return "RemoveFolder(): !!! Failed to delete folder=[" + path + "], at=[*]";
}

std::string FileLine(const std::string& path) {
    return "RemoveFolder(): !!! Failed to delete file=[" + path + "], at=[*]";
}

// `levels` folders named "d", each inside the one before, below the host
// folder `top`, with a file at the given levels. Made one level at a time:
// the whole path is longer than the host's tools take at once.
void MakeNestedFolders(const std::string& top, int levels, const std::map<int, std::string>& files) {
    std::filesystem::create_directories(top);
    int folder = open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 1; level <= levels && folder >= 0; ++level) {
        mkdirat(folder, "d", 0777);
        int inner = openat(folder, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(folder);
        folder = inner;
        auto file = files.find(level);
        if (file != files.end()) close(openat(folder, file->second.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
    }
    ASSERT_GE(folder, 0);
    close(folder);
}

class RemoveFolderTest : public ::testing::Test {
protected:
    TempDevice device;
    LogCapture log;
};

}  // namespace

TEST_F(RemoveFolderTest, MissingFolderGivesOneLineAndZero) {
    device.MakeFolder(L"\\NandFlash");
    EXPECT_EQ(RemoveFolder(L"\\NandFlash\\StartUp\\Merrow"), 0);
    EXPECT_EQ(log.MaskedLines(), Lines{FolderLine("\\NandFlash\\StartUp\\Merrow")});
}

TEST_F(RemoveFolderTest, EmptyFolderGoesSilentlyWithZero) {
    device.MakeFolder(L"\\NandFlash\\Merrow\\Images_");
    EXPECT_EQ(RemoveFolder(L"\\NandFlash\\Merrow\\Images_"), 0);
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\Merrow\\Images_"));
    EXPECT_EQ(log.Text(), "");
}

TEST_F(RemoveFolderTest, FilesAndNestedFoldersGoDepthFirst) {
    device.WriteFile(L"\\NandFlash\\Merrow\\Images\\back.bmp", "bmp");
    device.WriteFile(L"\\NandFlash\\Merrow\\Images\\logo.png", "png");
    device.WriteFile(L"\\NandFlash\\Merrow\\Images\\Icons\\a.png", "a");
    device.WriteFile(L"\\NandFlash\\Merrow\\Images\\Icons\\Small\\b.png", "b");
    device.WriteFile(L"\\NandFlash\\Merrow\\Orvane3.exe", "exe");

    EXPECT_EQ(RemoveFolder(L"\\NandFlash\\Merrow\\Images"), 1);
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\Merrow\\Images"));
    EXPECT_TRUE(device.Exists(L"\\NandFlash\\Merrow\\Orvane3.exe"));
    EXPECT_EQ(log.Text(), "");
}

TEST_F(RemoveFolderTest, EmptySubfolderIsRemovedButReportedAsFailed) {
    device.WriteFile(L"\\NandFlash\\Merrow\\Font\\sans.ttf", "ttf");
    device.MakeFolder(L"\\NandFlash\\Merrow\\Font\\Empty");

    EXPECT_EQ(RemoveFolder(L"\\NandFlash\\Merrow\\Font"), 1);
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\Merrow\\Font"));
    EXPECT_EQ(log.MaskedLines(), Lines{FolderLine("\\NandFlash\\Merrow\\Font\\Empty")});
}

TEST_F(RemoveFolderTest, UndeletableFileStaysWithEveryFolderAboveIt) {
    device.WriteFile(L"\\NandFlash\\Merrow\\Font\\Sub\\Deeper\\Шрифт.ttf", "locked");
    device.WriteFile(L"\\NandFlash\\Merrow\\Font\\Sub\\Deeper\\other.ttf", "x");
    device.WriteFile(L"\\NandFlash\\Merrow\\Font\\Sub\\side.ttf", "x");
    device.WriteFile(L"\\NandFlash\\Merrow\\Font\\top.ttf", "x");
    device.SetReadOnly(L"\\NandFlash\\Merrow\\Font\\Sub\\Deeper\\Шрифт.ttf", true);

    EXPECT_EQ(RemoveFolder(L"\\NandFlash\\Merrow\\Font"), 1);
    EXPECT_EQ(log.MaskedLines(), (Lines{
                                     FileLine("\\NandFlash\\Merrow\\Font\\Sub\\Deeper\\Шрифт.ttf"),
                                     FolderLine("\\NandFlash\\Merrow\\Font\\Sub\\Deeper"),
                                     FolderLine("\\NandFlash\\Merrow\\Font\\Sub"),
                                     FolderLine("\\NandFlash\\Merrow\\Font"),
                                 }));
    EXPECT_EQ(device.ReadFile(L"\\NandFlash\\Merrow\\Font\\Sub\\Deeper\\Шрифт.ttf"), "locked");
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\Merrow\\Font\\Sub\\Deeper\\other.ttf"));
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\Merrow\\Font\\Sub\\side.ttf"));
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\Merrow\\Font\\top.ttf"));
}

TEST_F(RemoveFolderTest, TrailingSeparatorIsDoubledInComposedPaths) {
    device.WriteFile(L"\\NandFlash\\StartUp\\Merrow\\start.lnk", "lnk");
    device.WriteFile(L"\\NandFlash\\StartUp\\Merrow\\Data\\state.bin", "bin");
    device.MakeFolder(L"\\NandFlash\\StartUp\\Merrow\\Cache");

    EXPECT_EQ(RemoveFolder(L"\\NandFlash\\StartUp\\Merrow\\"), 1);
    EXPECT_EQ(log.MaskedLines(), Lines{FolderLine("\\NandFlash\\StartUp\\Merrow\\\\Cache")});
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\StartUp\\Merrow"));
    EXPECT_TRUE(device.Exists(L"\\NandFlash\\StartUp"));
}

// Folder "\NandFlash\D" (12 units) plus a separator and a 250-unit name is
// beyond the 259 units a path may have.
TEST_F(RemoveFolderTest, OverlongEntryPathIsSkippedAndNamedInFull) {
    const std::wstring longFile(250, L'f');
    const std::wstring longFolder(250, L'g');
    device.WriteFile(L"\\NandFlash\\D\\" + longFile, "long");
    device.WriteFile(L"\\NandFlash\\D\\" + longFolder + L"\\inner.txt", "inner");
    device.WriteFile(L"\\NandFlash\\D\\short.txt", "short");
    device.WriteFile(L"\\NandFlash\\D\\Sub\\x.txt", "x");

    EXPECT_EQ(RemoveFolder(L"\\NandFlash\\D"), 1);
    Lines lines = log.MaskedLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines.back(), FolderLine("\\NandFlash\\D"));
    // The two skipped entries come in the platform's enumeration order.
    lines.pop_back();
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (Lines{FileLine("\\NandFlash\\D\\" + std::string(250, 'f')),
                            FolderLine("\\NandFlash\\D\\" + std::string(250, 'g'))}));
    EXPECT_TRUE(device.Exists(L"\\NandFlash\\D\\" + longFile));
    EXPECT_TRUE(device.Exists(L"\\NandFlash\\D\\" + longFolder + L"\\inner.txt"));
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\D\\short.txt"));
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\D\\Sub"));
}

// "\NandFlash\" and a 245-unit name make a 256-unit folder: a valid path, but
// its search pattern "...\*.*" would need 261 units.
TEST_F(RemoveFolderTest, FolderTooLongForItsPatternCountsAsUnreadable) {
    const std::wstring folder = L"\\NandFlash\\" + std::wstring(245, L'p');
    device.WriteFile(folder + L"\\kept.txt", "kept");

    EXPECT_EQ(RemoveFolder(folder.c_str()), 0);
    EXPECT_EQ(log.MaskedLines(), Lines{FolderLine("\\NandFlash\\" + std::string(245, 'p'))});
    EXPECT_TRUE(device.Exists(folder + L"\\kept.txt"));

    log.Clear();
    device.MakeFolder(L"\\NandFlash\\" + std::wstring(245, L'q'));
    EXPECT_EQ(RemoveFolder((L"\\NandFlash\\" + std::wstring(245, L'q')).c_str()), 0);
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\" + std::wstring(245, L'q')));
    EXPECT_EQ(log.Text(), "");
}

TEST_F(RemoveFolderTest, FileExistsFindsFilesAndFolders) {
    device.WriteFile(L"\\NandFlash\\Merrow\\Orvane3.exe", "exe");
    EXPECT_EQ(FileExists(L"\\NandFlash\\Merrow"), 1);
    EXPECT_EQ(FileExists(L"\\NandFlash\\Merrow\\Orvane3.exe"), 1);
    EXPECT_EQ(FileExists(L"\\NandFlash\\Merrow\\Missing.exe"), 0);
    EXPECT_EQ(FileExists(L"\\NandFlash\\Absent\\Orvane3.exe"), 0);
    EXPECT_EQ(log.Text(), "");
}

// A tree 1,000 folders deep, removed on a thread with a device thread's
// 64 KiB stack: every level the path limit lets it reach is handled without
// overflowing the stack; what lies beyond the limit stays, named in the log.
TEST_F(RemoveFolderTest, TreeDeeperThanThePathLimitOnASmallStack) {
    std::wstring deep = L"\\NandFlash\\Deep";
    std::wstring fiftyDeep;
    for (int level = 1; level <= 1000; ++level) {
        deep += L"\\d";
        if (level == 50) fiftyDeep = deep;
    }
    MakeNestedFolders(device.Host(L"\\NandFlash\\Deep"), 1000, {{50, "within.txt"}, {1000, "bottom.txt"}});

    int result = -1;
    testing_support::RunOnStackOf(64 * 1024, [&] { result = RemoveFolder(L"\\NandFlash\\Deep"); });

    EXPECT_EQ(result, 1);
    EXPECT_FALSE(device.Exists(fiftyDeep + L"\\within.txt"));
    EXPECT_TRUE(device.Exists(deep + L"\\bottom.txt"));
    const Lines lines = log.MaskedLines();
    ASSERT_GE(lines.size(), 120u) << "one line for each level the removal reached";
    for (const auto& line : lines) EXPECT_EQ(line.rfind("RemoveFolder(): !!! Failed to delete folder=[", 0), 0u) << line;
    EXPECT_EQ(lines.back(), FolderLine("\\NandFlash\\Deep"));
}

// Without the memory for its buffers a folder cannot be enumerated: it is
// handled like an unreadable one and kept.
TEST_F(RemoveFolderTest, FolderWithoutMemoryForItsBuffersCountsAsUnreadable) {
    device.WriteFile(L"\\NandFlash\\Kept\\file.txt", "kept");
    host::FailCall(host::Op::LocalAlloc, ERROR_NOT_ENOUGH_MEMORY);

    EXPECT_EQ(RemoveFolder(L"\\NandFlash\\Kept"), 0);
    EXPECT_EQ(log.MaskedLines(), Lines{FolderLine("\\NandFlash\\Kept")});
    EXPECT_TRUE(device.Exists(L"\\NandFlash\\Kept\\file.txt"));
}
