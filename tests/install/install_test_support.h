// Test support for the installation worker, on the workers' shared fixture:
// a device with an installed application and the three extracted files of a
// local or remote upgrade, and snapshots of the device's files to compare
// what a run leaves on disk.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "archive_support.h"
#include "installation.h"
#include "test_support.h"
#include "worker_fixture.h"

namespace install_testing {

using Lines = std::vector<std::string>;
using testing_support::kFolderMark;
using testing_support::Tree;

using Result = testing_support::PostedResult;
using testing_support::PostedLogLines;

// The worker's lines as it unpacks the images and switches them over, then
// the fonts.
inline const Lines kImagesSwitched{"UpgradeThreadProc(): unzip images, at=[*]", "ok, at=[*]",
                                   "UpgradeThreadProc(): switched over to new images, at=[*]"};
inline const Lines kFontsSwitched{"UpgradeThreadProc(): unzipped font, at=[*]",
                                  "UpgradeThreadProc(): switched over to new font, at=[*]"};

// The paths are written out here rather than taken from the program's
// constants, so that a wrong constant shows. The USB paths are relative to
// the root, as the upgrade search composes them from the disk's name.
struct Source {
    std::wstring flag, package, exe, images, fonts;
    std::string flagText, packageText, exeText, imagesText, fontsText;  // as logged
    std::string packageKey, exeKey, imagesKey, fontsKey, flagKey;      // as Tree keys
};
Source UsbSource();
Source DownloadSource();

// The archives' contents, relative to the folder they unpack into.
Tree NewImages();
Tree NewFonts();
std::string NewExe();

// The message the worker is given to post its result with.
constexpr UINT kResultMessage = WM_USER + 102;

class InstallTest : public testing_support::WorkerFixture<Installer, UpgradeThreadProc> {
protected:
    InstallTest() : WorkerFixture(kResultMessage) {}

    // An installed application (exe, images with a subfolder, fonts), the
    // request flag and the package, and the three extracted files. Fills
    // the worker's record for that source.
    void PrepareLocal();
    void PrepareRemote();
    void Prepare(const Source& from, bool remote);

    // Archives of NewImages() / NewFonts() written with minizip's writer.
    void WriteImagesArchive() const;
    void WriteFontsArchive() const;
    // A zip with the given entries; a name ending in "/" is a folder entry.
    void WriteArchive(const std::wstring& path, const Tree& entries) const;

    // Starts the worker with StartUpgradeThread, on a thread of its own, and
    // handles messages until a result comes (or a give-up timer fires, after
    // about a minute); whether a result came.
    bool RunWorkerThreadUntilResult();

    void RemoveFile(const std::wstring& path) const;
    void RemoveFolderOnHost(const std::wstring& path) const;

    Tree Snapshot() const;
    // The device as a successful upgrade of `source` leaves it, from `before`.
    Tree AfterSuccess(const Tree& before, const Source& source, bool fonts = true) const;

    // The worker's own lines of a complete upgrade, up to the exe.
    static Lines SwitchedOverLines(bool fonts = true);

    Source source;
    // The record the worker runs on: the window and message from SetUp, the
    // source's paths from Prepare.
    Installer& installer = record;
};

// Tree edits: a folder and everything below it removed, or replaced by
// `contents` (relative to the folder).
void EraseFolder(Tree* tree, const std::string& folder);
void EraseFile(Tree* tree, const std::string& key);
void ReplaceFolder(Tree* tree, const std::string& folder, const Tree& contents);

// Names every path that is missing, unexpected or different, rather than
// printing whole files.
void ExpectSameTree(const Tree& actual, const Tree& expected);

// Keys of the installed layout.
constexpr const char* kExeKey = "NandFlash/Merrow/Orvane3.exe";
constexpr const char* kImagesKey = "NandFlash/Merrow/Images";
constexpr const char* kFontKey = "NandFlash/Merrow/Font";
constexpr const char* kUsbFlagKey = "NandFlash/Upgrade.flag";
constexpr const char* kRemoteFlagKey = "NandFlash/RemoteUpgrade.flag";

}  // namespace install_testing
