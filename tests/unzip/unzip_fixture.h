// A fixture for the zip extractor's tests over a temporary device, with the
// archive makers of the shared test support.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "archive_support.h"
#include "ruvexa_host.h"
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
    // The log line of one entry: "Unzip [<output path>]" and `text`.
    static std::string EntryLine(const std::string& relative, const std::string& text) {
        return "Unzip [" + OutputText(relative) + "]" + text;
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

// The device after only "ok.txt" was unpacked.
inline const Lines kTreeWithOkOnly = {"NandFlash", "NandFlash/Merrow", "NandFlash/Merrow/Images_",
                                      "NandFlash/Merrow/Images_/ok.txt", "NandFlash/Work",
                                      "NandFlash/Work/AppImages.zi"};

// One archive unpacked into the output folder as a row of data: how it is
// made, what is there before, which platform call fails, and what must
// follow. Empty expectations are not checked, but for the log: no line is
// expected unless given.
struct UnzipCase {
    const char* name;
    std::string python{};                 // zipfile statements for MakePythonZip; else `entries`
    std::vector<MinizipEntry> entries{};  // through minizip's writer
    std::vector<std::pair<std::wstring, std::string>> before{};  // files in the output folder
    host::Op failing = host::Op::WriteFile;
    DWORD failure = 0;  // when not 0, the `failingCall`-th call of `failing` fails with it
    unsigned failingCall = 1;
    int result = 0;
    Lines log{};  // masked
    std::vector<std::pair<std::wstring, std::string>> files{};  // in the output folder afterwards
    std::vector<std::wstring> present{};                         // whatever their bytes
    std::vector<std::wstring> absent{};
    std::vector<std::wstring> folders{};
    Lines tree{};  // the whole DeviceTree()
};

// "ok.txt", then an entry named `stored` that is refused with `line`.
UnzipCase RefusedAfterOk(const char* name, const std::string& stored, const std::string& line);

void PrintTo(const UnzipCase& row, std::ostream* out);
std::string CaseName(const ::testing::TestParamInfo<UnzipCase>& info);

class UnzipCaseTest : public UnzipTest, public ::testing::WithParamInterface<UnzipCase> {};

}  // namespace unzip_testing
