// A fixture for the zip extractor's tests over a temporary device, with the
// archive makers of the shared test support.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "archive_support.h"
#include "test_support.h"

namespace unzip_testing {

// A temporary device with its log captured; the archives go to
// \NandFlash\Work and the output to \NandFlash\Merrow\Images_.
class UnzipTest : public ::testing::Test {
public:
    static constexpr const wchar_t* kArchive = L"\\NandFlash\\Work\\AppImages.zi";
    static constexpr const wchar_t* kOutput = L"\\NandFlash\\Merrow\\Images_";
    static constexpr const char* kArchiveText = "\\NandFlash\\Work\\AppImages.zi";
    static constexpr const char* kOutputText = "\\NandFlash\\Merrow\\Images_";

    std::string HostArchive() const { return device.Host(kArchive); }
    // The output path of an entry, as it appears in the log.
    static std::string OutputText(const std::string& relative) {
        return std::string(kOutputText) + "\\" + relative;
    }
    static std::wstring Output(const std::wstring& relative) { return std::wstring(kOutput) + L"\\" + relative; }
    static std::string UnzipFailedLine() {
        return std::string("UnZipFile(): !!! Failed to unzip file=[") + kArchiveText + "], at=[*]";
    }

protected:
    UnzipTest();
    ~UnzipTest() override;

    int Extract() { return UnZipFileInto(kOutput); }
    int UnZipFileInto(LPCWSTR folder);

    // Host-side listing of every file and folder below the device root,
    // relative, with "/" separators, sorted.
    std::vector<std::string> DeviceTree() const;

    testing_support::TempDevice device;
    testing_support::LogCapture log;
};

}  // namespace unzip_testing
