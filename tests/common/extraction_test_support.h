// Test support for the extraction worker, on the workers' shared fixture: a
// download folder with a package and stale outputs, and checks of what a run
// leaves on disk.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "extraction.h"
#include "package_builder.h"
#include "ruvexa_host.h"
#include "worker_fixture.h"

namespace extraction_testing {

using Lines = std::vector<std::string>;

constexpr DWORD kMiB = 1024 * 1024;

// The download folder's paths, written out here rather than taken from the
// program's constants, so that a wrong constant shows.
const wchar_t kPackagePath[] = L"\\Storage Card\\OV3_Download\\OV3_UPGRADE_7.BIN";
const wchar_t kExePath[] = L"\\Storage Card\\OV3_Download\\AppExecute.ex";
const wchar_t kImagesPath[] = L"\\Storage Card\\OV3_Download\\AppImages.zi";
const wchar_t kFontsPath[] = L"\\Storage Card\\OV3_Download\\AppFonts.zi";
const std::string kPackageLog = "\\Storage Card\\OV3_Download\\OV3_UPGRADE_7.BIN";
const std::string kExeLog = "\\Storage Card\\OV3_Download\\AppExecute.ex";
const std::string kImagesLog = "\\Storage Card\\OV3_Download\\AppImages.zi";
const std::string kFontsLog = "\\Storage Card\\OV3_Download\\AppFonts.zi";
const wchar_t kSignaturePath[] = L"\\Storage Card\\OV3_Download\\OV3_UPGRADE_7.BIN.SIG";
const std::string kSignatureLog = kPackageLog + ".SIG";

// The worker's log lines of a run that gets through each step, on a device
// without a trusted key.
const std::string kPreVerified = "ExtractThreadProc(): pre-verification ok, at=[*]";
const std::string kNoTrustedKey =
    "ExtractThreadProc(): no trusted key=[\\NandFlash\\Merrow\\Upgrade.pub], signatures are not checked, at=[*]";
const std::string kExtractedExe = "ExtractThreadProc(): extracted exe, at=[*]";
const std::string kExtractedImages = "ExtractThreadProc(): extracted images, at=[*]";
const std::string kExtractedFont = "ExtractThreadProc(): extracted font, at=[*]";
const std::string kNoFont = "ExtractThreadProc(): !!! No font to extract (optional), at=[*]";
const std::string kValidChecksum = "ExtractThreadProc(): valid source file checksum, at=[*]";
const Lines kValidRun = {kPreVerified, kNoTrustedKey, kExtractedExe, kExtractedImages, kExtractedFont, kValidChecksum};

// What an earlier run left at the output paths.
const std::string kStaleExe = "stale exe of an earlier run";
const std::string kStaleImages = "stale images of an earlier run";
const std::string kStaleFonts = "stale fonts of an earlier run";

// The message the worker is given to post its result with.
constexpr UINT kResultMessage = WM_USER + 101;

using Result = testing_support::PostedResult;
using testing_support::PostedLogLines;

// Where a run leaves an output path.
enum class Left {
    Stale,    // the earlier run's file, untouched
    Absent,   // deleted, or never written
    Whole,    // the complete section
    FirstMiB  // a copy that stopped after its first 1 MiB chunk
};

inline std::string Utf8(const std::wstring& text) { return host::WideToUtf8(text); }

class ExtractionTest : public testing_support::WorkerFixture<Preparer, ExtractThreadProc> {
protected:
    ExtractionTest() : WorkerFixture(kResultMessage) {}

    void SetUp() override {
        WorkerFixture::SetUp();
        device.MakeFolder(L"\\Storage Card\\OV3_Download");
        device.MakeFolder(L"\\NandFlash");
    }

    // A package with all three sections, each a little over 1 MiB, so that a
    // failure can strike between two chunks of any section.
    static package_testing::PackageContents LargePackage() {
        return {.exe = package_testing::RandomBytes(kMiB + 11, 101),
                .images = package_testing::RandomBytes(kMiB + 22, 102),
                .fonts = package_testing::RandomBytes(kMiB + 33, 103)};
    }

    static package_testing::PackageContents SmallPackage() {
        return {.exe = "MZ new main application", .images = "PK images archive", .fonts = "PK fonts archive"};
    }

    // The next row starts from a clean download folder; a file a row made
    // read-only is deleted too.
    void ClearDownloadFolder() const {
        for (const wchar_t* path : {kPackagePath, kSignaturePath, kExePath, kImagesPath, kFontsPath}) {
            if (device.Exists(path)) device.SetReadOnly(path, false);
            DeleteFileW(path);
        }
    }

    void SeedStaleOutputs() const {
        device.WriteFile(kExePath, kStaleExe);
        device.WriteFile(kImagesPath, kStaleImages);
        device.WriteFile(kFontsPath, kStaleFonts);
    }

    // Runs the worker on this thread for the download folder's paths.
    DWORD RunWorker(HWND notify) {
        AimRecordAtWindow();
        preparer.notify_window = notify;
        preparer.upgrade_file = kPackagePath;
        preparer.exe_file = kExePath;
        preparer.images_file = kImagesPath;
        preparer.fonts_file = kFontsPath;
        preparer.error = static_cast<ExtractFailure>(0xDEADBEEF);
        return WorkerFixture::RunWorker();
    }

    void ExpectLeft(const wchar_t* path, Left left, const std::string& stale, const std::string& section) const {
        SCOPED_TRACE(Utf8(path));
        switch (left) {
            case Left::Stale:
                ASSERT_TRUE(device.Exists(path));
                EXPECT_EQ(device.ReadFile(path), stale);
                break;
            case Left::Absent:
                EXPECT_FALSE(device.Exists(path));
                break;
            case Left::Whole:
                ASSERT_TRUE(device.Exists(path));
                EXPECT_TRUE(device.ReadFile(path) == section);
                break;
            case Left::FirstMiB:
                ASSERT_TRUE(device.Exists(path));
                EXPECT_TRUE(device.ReadFile(path) == section.substr(0, kMiB));
                break;
        }
    }

    // The package is byte for byte what was written, and no handle of the
    // worker holds it: an exclusive writer can open it.
    void ExpectPackageClosedAndUnchanged(const std::string& bytes) const {
        ASSERT_TRUE(device.Exists(kPackagePath));
        EXPECT_TRUE(device.ReadFile(kPackagePath) == bytes);
        HANDLE exclusive = CreateFileW(kPackagePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(exclusive, INVALID_HANDLE_VALUE) << "the package is still open, error " << GetLastError();
        if (exclusive != INVALID_HANDLE_VALUE) CloseHandle(exclusive);
    }

    Preparer& preparer = record;
};

}  // namespace extraction_testing
