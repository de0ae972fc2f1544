// The two models of a power cut, each run in a child process that the cut
// ends with 9: the clean one keeps everything written, the lossy one keeps
// the metadata but only the data that was flushed.
#include <gtest/gtest.h>

#include "fs_test_helpers.h"
#include "ruvexa_host.h"

namespace {

using fs_test::Open;
using fs_test::WriteText;

struct Expected {
    std::wstring path;
    std::string clean;  // after a clean cut
    std::string lossy;  // after a cut that loses unflushed data
};

// Each file is left in another state at the cut; the last change (the cut
// point) never happens.
const std::vector<Expected>& Files() {
    static const std::vector<Expected> files = {
        {L"\\NandFlash\\never_flushed.txt", "written", ""},
        {L"\\NandFlash\\flushed_then_written.txt", "flushed, then more", "flushed"},
        {L"\\NandFlash\\overwritten.txt", "new content", "old content"},
        {L"\\NandFlash\\renamed_after_close.txt", "closed, then renamed", ""},
        {L"\\Storage Card\\moved_across.txt", "moved to another volume", "moved to another volume"},
    };
    return files;
}

void WriteAndCut(bool lossy) {
    host::SetLoseUnflushedData(lossy);
    HANDLE file = Open(L"\\NandFlash\\never_flushed.txt", GENERIC_WRITE, 0, CREATE_NEW);
    WriteText(file, "written");
    CloseHandle(file);

    file = Open(L"\\NandFlash\\flushed_then_written.txt", GENERIC_WRITE, 0, CREATE_NEW);
    WriteText(file, "flushed");
    FlushFileBuffers(file);
    WriteText(file, ", then more");
    CloseHandle(file);

    file = Open(L"\\NandFlash\\overwritten.txt", GENERIC_WRITE, 0, CREATE_ALWAYS);
    WriteText(file, "new content");
    CloseHandle(file);

    file = Open(L"\\NandFlash\\renamed.tmp", GENERIC_WRITE, 0, CREATE_NEW);
    WriteText(file, "closed, then renamed");
    CloseHandle(file);
    MoveFileW(L"\\NandFlash\\renamed.tmp", L"\\NandFlash\\renamed_after_close.txt");

    file = Open(L"\\NandFlash\\moved_across.txt", GENERIC_WRITE, 0, CREATE_NEW);
    WriteText(file, "moved to another volume");
    CloseHandle(file);
    MoveFileW(L"\\NandFlash\\moved_across.txt", L"\\Storage Card\\moved_across.txt");

    host::SetPowerCutAfter(1);
    CreateDirectoryW(L"\\NandFlash\\after_the_cut", nullptr);
    _exit(0);  // not reached: the cut ends the process with 9
}

class PowerCut : public ::testing::TestWithParam<bool> {};

TEST_P(PowerCut, KeepsWhatTheModelKeeps) {
    const bool lossy = GetParam();
    testing_support::TempDevice device;
    device.MakeFolder(L"\\NandFlash");
    device.MakeFolder(L"\\Storage Card");
    device.WriteFile(L"\\NandFlash\\overwritten.txt", "old content");

    EXPECT_EXIT(WriteAndCut(lossy), ::testing::ExitedWithCode(9), "power cut before file-system change 1");

    for (const Expected& file : Files()) {
        EXPECT_EQ(device.ReadFile(file.path), lossy ? file.lossy : file.clean) << host::WideToUtf8(file.path);
    }
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\renamed.tmp"));
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\moved_across.txt"));
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\after_the_cut"));
}

INSTANTIATE_TEST_SUITE_P(Models, PowerCut, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Lossy" : "Clean"; });

}  // namespace
