#include "install_test_support.h"

#include <filesystem>

#include "attempt_support.h"
#include "installation.h"
#include "ruvexa_host.h"

namespace fs = std::filesystem;

namespace install_testing {
Source UsbSource() {
    return Source{L"\\NandFlash\\Upgrade.flag",
                  L"Hard Disk\\OV3_UPGRADE_1.BIN",
                  L"Hard Disk\\AppExecute.ex",
                  L"Hard Disk\\AppImages.zi",
                  L"Hard Disk\\AppFonts.zi",
                  "\\NandFlash\\Upgrade.flag",
                  "Hard Disk\\OV3_UPGRADE_1.BIN",
                  "Hard Disk\\AppExecute.ex",
                  "Hard Disk\\AppImages.zi",
                  "Hard Disk\\AppFonts.zi",
                  "Hard Disk/OV3_UPGRADE_1.BIN",
                  "Hard Disk/AppExecute.ex",
                  "Hard Disk/AppImages.zi",
                  "Hard Disk/AppFonts.zi",
                  kUsbFlagKey};
}

Source DownloadSource() {
    return Source{L"\\NandFlash\\RemoteUpgrade.flag",
                  L"\\Storage Card\\OV3_Download\\OV3_UPGRADE_7.BIN",
                  L"\\Storage Card\\OV3_Download\\AppExecute.ex",
                  L"\\Storage Card\\OV3_Download\\AppImages.zi",
                  L"\\Storage Card\\OV3_Download\\AppFonts.zi",
                  "\\NandFlash\\RemoteUpgrade.flag",
                  "\\Storage Card\\OV3_Download\\OV3_UPGRADE_7.BIN",
                  "\\Storage Card\\OV3_Download\\AppExecute.ex",
                  "\\Storage Card\\OV3_Download\\AppImages.zi",
                  "\\Storage Card\\OV3_Download\\AppFonts.zi",
                  "Storage Card/OV3_Download/OV3_UPGRADE_7.BIN",
                  "Storage Card/OV3_Download/AppExecute.ex",
                  "Storage Card/OV3_Download/AppImages.zi",
                  "Storage Card/OV3_Download/AppFonts.zi",
                  kRemoteFlagKey};
}

Tree NewImages() {
    return Tree{{"back.bmp", testing_support::RandomBytes(70000, 1)},
                {"Icons", kFolderMark},
                {"Icons/home.png", testing_support::RandomBytes(3000, 2)},
                {"Icons/Small", kFolderMark},
                {"Icons/Small/dot.png", "dot"}};
}

Tree NewFonts() {
    return Tree{{"sans.ttf", testing_support::RandomBytes(90000, 3)}, {"bold.ttf", testing_support::RandomBytes(5000, 4)}};
}

// Larger than the platform's copy chunk, so a move across volumes copies it
// in several pieces.
std::string NewExe() { return testing_support::RandomBytes(300000, 5); }

namespace {

void WriteInstalledApplication(const testing_support::TempDevice& device) {
    device.WriteFile(L"\\NandFlash\\Merrow\\Orvane3.exe", "old main application");
    device.WriteFile(L"\\NandFlash\\Merrow\\Images\\back.bmp", "old background");
    device.WriteFile(L"\\NandFlash\\Merrow\\Images\\Icons\\old.png", "old icon");
    device.WriteFile(L"\\NandFlash\\Merrow\\Font\\old.ttf", "old font");
    // Something the upgrade has no business with.
    device.WriteFile(L"\\NandFlash\\Merrow\\Settings.ini", "volume=7");
}

}  // namespace

void InstallTest::Prepare(const Source& from, bool remote) {
    source = from;
    WriteInstalledApplication(device);
    device.WriteFile(source.flag, "");
    device.WriteFile(source.package, "package bytes");
    device.WriteFile(source.exe, NewExe());
    WriteImagesArchive();
    WriteFontsArchive();
    installer.remote_upgrade = remote;
    installer.upgrade_file = source.package.c_str();
    installer.exe_file = source.exe.c_str();
    installer.images_file = source.images.c_str();
    installer.fonts_file = source.fonts.c_str();
}

void InstallTest::PrepareLocal() { Prepare(UsbSource(), false); }

void InstallTest::PrepareRemote() { Prepare(DownloadSource(), true); }

void InstallTest::WriteImagesArchive() const { WriteArchive(source.images, NewImages()); }

void InstallTest::WriteFontsArchive() const { WriteArchive(source.fonts, NewFonts()); }

void InstallTest::WriteArchive(const std::wstring& path, const Tree& entries) const {
    std::vector<unzip_testing::MinizipEntry> archive;
    for (const auto& [name, bytes] : entries) {
        unzip_testing::MinizipEntry entry;
        if (bytes == kFolderMark) {
            entry.name = name + "/";
            entry.externalAttributes = FILE_ATTRIBUTE_DIRECTORY;
        } else {
            entry.name = name;
            entry.data = bytes;
            entry.externalAttributes = FILE_ATTRIBUTE_ARCHIVE;
        }
        archive.push_back(entry);
    }
    ASSERT_TRUE(unzip_testing::MakeMinizipZip(device.Host(path), archive));
}

void InstallTest::RemoveFile(const std::wstring& path) const { ASSERT_TRUE(fs::remove(device.Host(path))); }

void InstallTest::RemoveFolderOnHost(const std::wstring& path) const {
    ASSERT_GT(fs::remove_all(device.Host(path)), 0u);
}

bool InstallTest::RunWorkerThreadUntilResult() {
    log.Clear();
    // The record points into the attempt: it must outlive the worker.
    static UpgradeAttempt attempt;
    attempt = testing_support::AttemptFor(installer.remote_upgrade, installer.upgrade_file, installer.exe_file,
                                          installer.images_file, installer.fonts_file);
    if (!StartUpgradeThread(installer.notify_window, installer.notify_message, attempt)) return false;
    return WaitForResult();
}

Tree InstallTest::Snapshot() const { return testing_support::SnapshotOf(device.Root()); }

Tree InstallTest::AfterSuccess(const Tree& before, const Source& from, bool fonts) const {
    Tree after = before;
    after.erase(from.imagesKey);
    after.erase(from.fontsKey);
    after.erase(from.exeKey);
    after.erase(from.flagKey);
    if (from.flagKey == kRemoteFlagKey) after.erase(from.packageKey);
    ReplaceFolder(&after, kImagesKey, NewImages());
    if (fonts) ReplaceFolder(&after, kFontKey, NewFonts());
    after[kExeKey] = NewExe();
    return after;
}

Lines InstallTest::SwitchedOverLines(bool fonts) {
    const Lines noFonts{"UpgradeThreadProc(): !!! No font to upgrade (optional), at=[*]"};
    Lines lines = testing_support::Concat(kImagesSwitched, fonts ? kFontsSwitched : noFonts);
    lines.push_back("UpgradeThreadProc(): switched over to new exe, at=[*]");
    return lines;
}

void EraseFile(Tree* tree, const std::string& key) { tree->erase(key); }

void ExpectSameTree(const Tree& actual, const Tree& expected) {
    EXPECT_EQ(testing_support::TreeDifference(actual, expected), "");
}

void EraseFolder(Tree* tree, const std::string& folder) {
    tree->erase(folder);
    const std::string prefix = folder + "/";
    for (auto it = tree->lower_bound(prefix); it != tree->end() && it->first.compare(0, prefix.size(), prefix) == 0;) {
        it = tree->erase(it);
    }
}

void ReplaceFolder(Tree* tree, const std::string& folder, const Tree& contents) {
    EraseFolder(tree, folder);
    (*tree)[folder] = kFolderMark;
    for (const auto& [name, bytes] : contents) (*tree)[folder + "/" + name] = bytes;
}

}  // namespace install_testing
