// SystemParametersInfoW's OEM info, as a CE device reports it: the text and
// its ending zero in a buffer of the given size in bytes, or the result and
// last error of a call it refuses.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "ruvexa_host.h"

namespace {

struct OemInfoRow {
    const char* name;
    std::wstring oemInfo;
    UINT action;
    UINT bufferBytes;  // of the 64-unit buffer given; 0 with no buffer
    BOOL result;
    DWORD error;  // the last error of a failed call
};

const OemInfoRow kRows[] = {
    {"DefaultIsTheBoardName", host::kDefaultOemInfo, SPI_GETOEMINFO, 128, TRUE, 0},
    {"TheTextAsSet", L"OV3-Pro", SPI_GETOEMINFO, 128, TRUE, 0},
    {"ExactlyRoomForTheZero", L"OV3-Pro", SPI_GETOEMINFO, 8 * sizeof(WCHAR), TRUE, 0},
    {"OneUnitShort", L"OV3-Pro", SPI_GETOEMINFO, 7 * sizeof(WCHAR), FALSE, ERROR_INSUFFICIENT_BUFFER},
    {"NoBuffer", L"OV3-Pro", SPI_GETOEMINFO, 0, FALSE, ERROR_INVALID_PARAMETER},
    {"AnotherAction", L"OV3-Pro", 0x0030, 128, FALSE, ERROR_INVALID_PARAMETER},
};

class OemInfo : public ::testing::TestWithParam<OemInfoRow> {
protected:
    void TearDown() override { host::SetOemInfo(host::kDefaultOemInfo); }
};

TEST_P(OemInfo, IsReportedAsOnTheDevice) {
    const OemInfoRow& row = GetParam();
    host::SetOemInfo(row.oemInfo);
    WCHAR buffer[64];
    wmemset(buffer, L'#', 64);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(SystemParametersInfoW(row.action, row.bufferBytes, row.bufferBytes ? buffer : NULL, 0), row.result);
    if (row.result) {
        EXPECT_EQ(std::wstring(buffer), row.oemInfo);
    } else {
        EXPECT_EQ(GetLastError(), row.error);
        EXPECT_EQ(buffer[0], L'#');
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, OemInfo, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<OemInfoRow>& info) { return std::string(info.param.name); });

}  // namespace
