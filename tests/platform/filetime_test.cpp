// File times: calendar conversions, local time, and times of open files.
#include <gtest/gtest.h>

#include <time.h>

#include <cstdlib>
#include <optional>

#include "fs_test_helpers.h"

using testing_support::TempDevice;

namespace {

constexpr uint64_t kUnitsPerSecond = 10'000'000;
constexpr uint64_t kSecondsFrom1601To1970 = 11'644'473'600;

uint64_t ValueOf(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

SYSTEMTIME Date(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0, WORD second = 0,
                WORD ms = 0) {
    SYSTEMTIME date{};
    date.wYear = year;
    date.wMonth = month;
    date.wDay = day;
    date.wHour = hour;
    date.wMinute = minute;
    date.wSecond = second;
    date.wMilliseconds = ms;
    return date;
}

// The same moment through the C library's own calendar.
uint64_t ValueFromLibc(const SYSTEMTIME& date, int* weekday) {
    struct tm parts {};
    parts.tm_year = date.wYear - 1900;
    parts.tm_mon = date.wMonth - 1;
    parts.tm_mday = date.wDay;
    parts.tm_hour = date.wHour;
    parts.tm_min = date.wMinute;
    parts.tm_sec = date.wSecond;
    time_t seconds = timegm(&parts);
    *weekday = parts.tm_wday;
    return (static_cast<uint64_t>(seconds + static_cast<int64_t>(kSecondsFrom1601To1970))) * kUnitsPerSecond +
           date.wMilliseconds * 10'000ull;
}

class TimeZone {
public:
    explicit TimeZone(const char* zone) {
        if (const char* old = getenv("TZ")) saved_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZone() {
        if (saved_) {
            setenv("TZ", saved_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    std::optional<std::string> saved_;
};

}  // namespace

TEST(SystemTimeToFileTime, RefusesImpossibleDates) {
    for (SYSTEMTIME date : {Date(2021, 4, 31), Date(2100, 2, 29), Date(2021, 13, 1), Date(2021, 0, 1),
                            Date(2021, 1, 0), Date(2021, 1, 1, 24), Date(2021, 1, 1, 0, 60),
                            Date(2021, 1, 1, 0, 0, 60), Date(2021, 1, 1, 0, 0, 0, 1000), Date(1600, 12, 31)}) {
        FILETIME result{1, 1};
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(SystemTimeToFileTime(&date, &result))
            << date.wYear << "-" << date.wMonth << "-" << date.wDay << " " << date.wHour << ":" << date.wMinute;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
}

TEST(SystemTimeToFileTime, AgreesWithTheCLibraryAndRoundTrips) {
    for (SYSTEMTIME date : {Date(2020, 1, 15, 12, 34, 56, 789), Date(1601, 1, 1), Date(2000, 2, 29, 23, 59, 59, 999),
                            Date(1980, 1, 1), Date(2107, 12, 31, 23, 59, 58), Date(1969, 12, 31, 6)}) {
        date.wDayOfWeek = 6;  // not consulted
        FILETIME result;
        ASSERT_TRUE(SystemTimeToFileTime(&date, &result)) << date.wYear;
        int weekday = 0;
        EXPECT_EQ(ValueOf(result), ValueFromLibc(date, &weekday)) << date.wYear;

        SYSTEMTIME back{};
        ASSERT_TRUE(FileTimeToSystemTime(&result, &back));
        EXPECT_EQ(back.wYear, date.wYear);
        EXPECT_EQ(back.wMonth, date.wMonth);
        EXPECT_EQ(back.wDay, date.wDay);
        EXPECT_EQ(back.wHour, date.wHour);
        EXPECT_EQ(back.wMinute, date.wMinute);
        EXPECT_EQ(back.wSecond, date.wSecond);
        EXPECT_EQ(back.wMilliseconds, date.wMilliseconds);
        EXPECT_EQ(back.wDayOfWeek, weekday) << date.wYear;
    }
    SYSTEMTIME last = Date(30827, 12, 31, 23, 59, 59, 999);
    FILETIME result;
    EXPECT_TRUE(SystemTimeToFileTime(&last, &result));
}

TEST(LocalFileTimeToFileTime, BothWaysUseTheBiasInForceNow) {
    TimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    const time_t now = time(nullptr);
    struct tm parts {};
    localtime_r(&now, &parts);
    const uint64_t bias = static_cast<uint64_t>(parts.tm_gmtoff) * kUnitsPerSecond;
    for (SYSTEMTIME date : {Date(2021, 7, 1, 12), Date(2021, 1, 15, 12, 0, 0, 250)}) {
        FILETIME local, universal, back;
        ASSERT_TRUE(SystemTimeToFileTime(&date, &local));
        ASSERT_TRUE(LocalFileTimeToFileTime(&local, &universal));
        EXPECT_EQ(ValueOf(universal), ValueOf(local) - bias) << date.wMonth;
        ASSERT_TRUE(FileTimeToLocalFileTime(&universal, &back));
        EXPECT_EQ(ValueOf(back), ValueOf(local)) << date.wMonth;
    }
}

TEST(GetLocalTime, IsTheHostClockInTheLocalZone) {
    TimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    const time_t before = time(nullptr);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    FILETIME local, universal;
    ASSERT_TRUE(SystemTimeToFileTime(&now, &local));
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &universal));
    const int64_t seconds = static_cast<int64_t>(ValueOf(universal) / kUnitsPerSecond - kSecondsFrom1601To1970);
    // The same second as the C library's clock, or the next one.
    EXPECT_GE(seconds, before);
    EXPECT_LE(seconds, before + 1);
}

TEST(FileTime, TimesAreKeptInTheStepsOfFatAndZeroLeavesATimeAlone) {
    TempDevice device;
    device.WriteFile(L"\\NandFlash\\Images\\a.png", "png");
    const bool keepsCreation = device.KeepsExtendedAttributes();
    HANDLE file = fs_test::Open(L"\\NandFlash\\Images\\a.png", GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, 0);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME creation, access, write;
    ASSERT_TRUE(GetFileTime(file, &creation, &access, &write));

    SYSTEMTIME writeStamp = Date(2019, 6, 30, 8, 15, 43, 500);
    SYSTEMTIME createStamp = Date(2018, 2, 3, 4, 5, 6, 789);
    FILETIME newWrite, newCreation;
    ASSERT_TRUE(SystemTimeToFileTime(&writeStamp, &newWrite));
    ASSERT_TRUE(SystemTimeToFileTime(&createStamp, &newCreation));
    ASSERT_TRUE(SetFileTime(file, &newCreation, &newWrite, &newWrite));
    FILETIME readCreation, readAccess, readWrite;
    ASSERT_TRUE(GetFileTime(file, &readCreation, &readAccess, &readWrite));
    // Write times in 2-second steps, access times as the local date.
    EXPECT_EQ(ValueOf(readWrite), ValueOf(newWrite) - 15'000'000);
    FILETIME localAccess;
    SYSTEMTIME accessDate;
    ASSERT_TRUE(FileTimeToLocalFileTime(&readAccess, &localAccess));
    ASSERT_TRUE(FileTimeToSystemTime(&localAccess, &accessDate));
    EXPECT_EQ(accessDate.wHour * 3600 + accessDate.wMinute * 60 + accessDate.wSecond, 0);
    EXPECT_EQ(ValueOf(readCreation), keepsCreation ? ValueOf(newCreation) - 90'000 : ValueOf(creation));

    // Zero and null times stay as they are.
    const FILETIME zero{0, 0};
    ASSERT_TRUE(SetFileTime(file, &zero, &zero, &zero));
    ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, nullptr));
    FILETIME againCreation, againAccess, againWrite;
    ASSERT_TRUE(GetFileTime(file, &againCreation, &againAccess, &againWrite));
    EXPECT_EQ(ValueOf(againWrite), ValueOf(readWrite));
    EXPECT_EQ(ValueOf(againAccess), ValueOf(readAccess));
    EXPECT_EQ(ValueOf(againCreation), ValueOf(readCreation));
    CloseHandle(file);

    // The find functions report the same times; the host file has the write time.
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(L"\\NandFlash\\Images\\*.png", &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    FindClose(find);
    EXPECT_EQ(ValueOf(found.ftCreationTime), ValueOf(readCreation));
    EXPECT_EQ(ValueOf(found.ftLastWriteTime), ValueOf(readWrite));
    struct stat st = fs_test::HostStat(device, L"\\NandFlash\\Images\\a.png");
    EXPECT_EQ(static_cast<uint64_t>(st.st_mtim.tv_sec) + kSecondsFrom1601To1970, ValueOf(newWrite) / kUnitsPerSecond);

    HANDLE reader = fs_test::Open(L"\\NandFlash\\Images\\a.png", GENERIC_READ, 0, OPEN_EXISTING, 0);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SetFileTime(reader, nullptr, nullptr, &newWrite));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    CloseHandle(reader);
}
