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

FILETIME FileTimeOf(uint64_t value) {
    return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
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

TEST(LocalFileTimeToFileTime, UsesTheOffsetInForceAtThatMoment) {
    TimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    FILETIME summer, winter, universal;
    SYSTEMTIME summerNoon = Date(2021, 7, 1, 12);
    SYSTEMTIME winterNoon = Date(2021, 1, 15, 12, 0, 0, 250);
    ASSERT_TRUE(SystemTimeToFileTime(&summerNoon, &summer));
    ASSERT_TRUE(SystemTimeToFileTime(&winterNoon, &winter));

    ASSERT_TRUE(LocalFileTimeToFileTime(&summer, &universal));
    EXPECT_EQ(ValueOf(universal), ValueOf(summer) - 2 * 3600 * kUnitsPerSecond);
    ASSERT_TRUE(LocalFileTimeToFileTime(&winter, &universal));
    EXPECT_EQ(ValueOf(universal), ValueOf(winter) - 1 * 3600 * kUnitsPerSecond);
}

TEST(FileTime, SetTimesReadBackAndReachTheHostFile) {
    TempDevice device;
    device.WriteFile(L"\\NandFlash\\Images\\a.png", "png");
    HANDLE file = fs_test::Open(L"\\NandFlash\\Images\\a.png", GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, 0);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME creation, access, write;
    ASSERT_TRUE(GetFileTime(file, &creation, &access, &write));

    SYSTEMTIME stamp = Date(2019, 6, 30, 8, 15, 42);
    FILETIME newWrite;
    ASSERT_TRUE(SystemTimeToFileTime(&stamp, &newWrite));
    // The creation time is accepted; a Linux host cannot store it.
    ASSERT_TRUE(SetFileTime(file, &newWrite, &access, &newWrite));
    FILETIME readCreation, readAccess, readWrite;
    ASSERT_TRUE(GetFileTime(file, &readCreation, &readAccess, &readWrite));
    EXPECT_EQ(ValueOf(readWrite), ValueOf(newWrite));
    EXPECT_EQ(ValueOf(readAccess), ValueOf(access));
    EXPECT_EQ(ValueOf(readCreation), ValueOf(creation));

    // A null time stays as it is.
    FILETIME laterAccess = FileTimeOf(ValueOf(newWrite) + 3600 * kUnitsPerSecond);
    ASSERT_TRUE(SetFileTime(file, nullptr, &laterAccess, nullptr));
    ASSERT_TRUE(GetFileTime(file, nullptr, &readAccess, &readWrite));
    EXPECT_EQ(ValueOf(readAccess), ValueOf(laterAccess));
    EXPECT_EQ(ValueOf(readWrite), ValueOf(newWrite));
    CloseHandle(file);

    struct stat st = fs_test::HostStat(device, L"\\NandFlash\\Images\\a.png");
    EXPECT_EQ(static_cast<uint64_t>(st.st_mtim.tv_sec) + kSecondsFrom1601To1970,
              ValueOf(newWrite) / kUnitsPerSecond);

    HANDLE reader = fs_test::Open(L"\\NandFlash\\Images\\a.png", GENERIC_READ, 0, OPEN_EXISTING, 0);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SetFileTime(reader, nullptr, nullptr, &laterAccess));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    CloseHandle(reader);
}
