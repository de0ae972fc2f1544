// ShellExecuteExW: device files started as host processes.
#include <gtest/gtest.h>
#include <shellapi.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "ruvexa_host.h"
#include "test_support.h"

namespace {

using testing_support::AppearsSoon;

BOOL Launch(LPCWSTR file, ULONG_PTR* instance = nullptr) {
    SHELLEXECUTEINFOW request = {};
    request.cbSize = sizeof(request);
    request.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    request.lpFile = file;
    request.nShow = 5;
    BOOL started = ShellExecuteExW(&request);
    if (started && request.hProcess) CloseHandle(request.hProcess);
    if (instance) *instance = reinterpret_cast<ULONG_PTR>(request.hInstApp);
    return started;
}

const char* kMarkerScript = "#!/bin/sh\ntouch marker\n";

}  // namespace

TEST(Launch, ScriptRunsInItsOwnFolderWhateverItsModeBits) {
    testing_support::TempDevice device;
    device.WriteFile(L"\\NandFlash\\Merrow\\Orvane3.exe", kMarkerScript);
    EXPECT_TRUE(Launch(L"\\nandflash\\merrow\\ORVANE3.EXE"));
    EXPECT_TRUE(AppearsSoon(device, L"\\NandFlash\\Merrow\\marker"));
}

TEST(Launch, WorksWithARelativeDeviceRoot) {
    testing_support::TempDevice device;
    device.WriteFile(L"\\NandFlash\\app.exe", kMarkerScript);
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::path(device.Root()).parent_path());
    host::SetDeviceRoot(std::filesystem::path(device.Root()).filename().string());
    EXPECT_TRUE(Launch(L"\\NandFlash\\app.exe"));
    std::filesystem::current_path(previous);
    EXPECT_TRUE(AppearsSoon(device, L"\\NandFlash\\marker"));
}

TEST(Launch, BareNameIsLookedUpInWindows) {
    testing_support::TempDevice device;
    device.WriteFile(L"\\Windows\\explorer.exe", kMarkerScript);
    EXPECT_TRUE(Launch(L"explorer.exe"));
    EXPECT_TRUE(AppearsSoon(device, L"\\Windows\\marker"));
}

TEST(Launch, WhatCannotRunFailsWithItsCode) {
    testing_support::TempDevice device;
    device.WriteFile(L"\\NandFlash\\text.exe", "MZ not for this host");
    device.WriteFile(L"\\NandFlash\\nointerpreter.exe", "#!/no/such/interpreter\n");
    device.WriteFile(L"\\NandFlash\\empty.exe", "#!\n");

    // The last error, hInstApp as a value of 32 or less, and the host's line
    // on standard error.
    const struct {
        const wchar_t* file;
        DWORD error;
        ULONG_PTR instance;
        std::string reported = "";
    } rows[] = {
        {L"\\NandFlash\\text.exe", ERROR_BAD_EXE_FORMAT, ERROR_BAD_FORMAT,
         "ruvexa-host: cannot start \\NandFlash\\text.exe: it is no program the host can run (no #! line, not ELF)\n"},
        {L"\\NandFlash\\nointerpreter.exe", ERROR_BAD_EXE_FORMAT, ERROR_BAD_FORMAT,
         "ruvexa-host: cannot start \\NandFlash\\nointerpreter.exe: its interpreter /no/such/interpreter cannot be "
         "run on the host\n"},
        {L"\\NandFlash\\empty.exe", ERROR_BAD_EXE_FORMAT, ERROR_BAD_FORMAT,
         "ruvexa-host: cannot start \\NandFlash\\empty.exe: its #! line names no interpreter\n"},
        {L"\\NandFlash\\missing.exe", ERROR_FILE_NOT_FOUND, SE_ERR_FNF},
        {L"\\NandFlash\\Missing\\app.exe", ERROR_PATH_NOT_FOUND, SE_ERR_PNF},
        {L"\\NandFlash", ERROR_ACCESS_DENIED, SE_ERR_ACCESSDENIED},
    };
    for (const auto& row : rows) {
        ULONG_PTR instance = 0xdeadbeef;
        SetLastError(0xdeadbeef);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(Launch(row.file, &instance)) << row.file;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), row.reported);
        EXPECT_EQ(GetLastError(), row.error) << row.file;
        EXPECT_EQ(instance, row.instance) << row.file;
    }
}

TEST(Launch, ElfRunsFromAnInMemoryCopy) {
    testing_support::TempDevice device;
    // /bin/touch copied onto the device without its mode bits; touch with no
    // operand fails, so give it one through the parameters.
    device.MakeFolder(L"\\NandFlash");
    std::filesystem::copy_file("/bin/touch", device.Host(L"\\NandFlash\\touch.exe"));
    std::filesystem::permissions(device.Host(L"\\NandFlash\\touch.exe"), std::filesystem::perms::owner_read);
    SHELLEXECUTEINFOW request = {};
    request.cbSize = sizeof(request);
    request.lpFile = L"\\NandFlash\\touch.exe";
    request.lpParameters = L"elf-marker";
    EXPECT_TRUE(ShellExecuteExW(&request));
    EXPECT_TRUE(AppearsSoon(device, L"\\NandFlash\\elf-marker"));
}
