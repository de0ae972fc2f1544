// SystemTimeToFileTime, FileTimeToSystemTime, LocalFileTimeToFileTime,
// FileTimeToLocalFileTime, GetLocalTime: the calendar arithmetic of the
// proleptic Gregorian calendar from 1601 on, the bias of the time zone, and
// the device clock's date, which is the host's.
#include <time.h>

#include "error.h"
#include "filetime.h"

namespace {

using host::kUnitsPerDay;
using host::kUnitsPerMillisecond;
using host::kUnitsPerSecond;
// The device's SYSTEMTIME range ends in the year 30827.
constexpr int kFirstYear = 1601;
constexpr int kLastYear = 30827;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1601-01-01 to the given date; 1601 begins a 400-year cycle.
int64_t DaysSince1601(int year, int month, int day) {
    int64_t y = year - kFirstYear;
    int64_t days = y * 365 + y / 4 - y / 100 + y / 400;
    for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
    return days + day - 1;
}

void DateOfDaysSince1601(int64_t days, SYSTEMTIME* date) {
    // 1601-01-01 was a Monday; Sunday is day 0 of the week.
    date->wDayOfWeek = static_cast<WORD>((days + 1) % 7);
    int64_t cycles = days / 146'097;  // whole 400-year cycles
    days %= 146'097;
    int year = kFirstYear + static_cast<int>(cycles) * 400;
    for (;;) {
        int length = IsLeapYear(year) ? 366 : 365;
        if (days < length) break;
        days -= length;
        ++year;
    }
    int month = 1;
    while (days >= DaysInMonth(year, month)) days -= DaysInMonth(year, month++);
    date->wYear = static_cast<WORD>(year);
    date->wMonth = static_cast<WORD>(month);
    date->wDay = static_cast<WORD>(days + 1);
}

}  // namespace

extern "C" BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime) {
    if (!lpSystemTime || !lpFileTime) return host::Fail(ERROR_INVALID_PARAMETER);
    const SYSTEMTIME& t = *lpSystemTime;
    // wDayOfWeek is not consulted, as on the device.
    if (t.wYear < kFirstYear || t.wYear > kLastYear || t.wMonth < 1 || t.wMonth > 12 ||
        t.wDay < 1 || t.wDay > DaysInMonth(t.wYear, t.wMonth) || t.wHour > 23 ||
        t.wMinute > 59 || t.wSecond > 59 || t.wMilliseconds > 999) {
        return host::Fail(ERROR_INVALID_PARAMETER);
    }
    int64_t seconds = ((DaysSince1601(t.wYear, t.wMonth, t.wDay) * 24 + t.wHour) * 60 + t.wMinute) * 60 +
                      t.wSecond;
    *lpFileTime = host::FileTimeFromValue(
        static_cast<uint64_t>(seconds * kUnitsPerSecond + t.wMilliseconds * kUnitsPerMillisecond));
    return TRUE;
}

extern "C" BOOL WINAPI FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime) {
    if (!lpFileTime || !lpSystemTime) return host::Fail(ERROR_INVALID_PARAMETER);
    uint64_t value = host::FileTimeValue(*lpFileTime);
    if (value >= 0x8000000000000000ull) return host::Fail(ERROR_INVALID_PARAMETER);
    auto units = static_cast<int64_t>(value);
    int64_t inDay = units % kUnitsPerDay;
    DateOfDaysSince1601(units / kUnitsPerDay, lpSystemTime);
    lpSystemTime->wHour = static_cast<WORD>(inDay / (3600 * kUnitsPerSecond));
    lpSystemTime->wMinute = static_cast<WORD>(inDay / (60 * kUnitsPerSecond) % 60);
    lpSystemTime->wSecond = static_cast<WORD>(inDay / kUnitsPerSecond % 60);
    lpSystemTime->wMilliseconds = static_cast<WORD>(inDay / kUnitsPerMillisecond % 1000);
    return TRUE;
}

namespace {

// The host's time zone (TZ, /etc/localtime) stands for the device's. Both
// conversions use the bias in force now, whatever the date converted, as
// Win32 does: a summer date converted in winter is off by the summer hour.
int64_t CurrentBiasUnits() {
    tzset();
    const time_t now = time(nullptr);
    struct tm parts {};
    localtime_r(&now, &parts);
    return static_cast<int64_t>(parts.tm_gmtoff) * kUnitsPerSecond;
}

BOOL ShiftFileTime(const FILETIME* from, LPFILETIME to, int64_t units) {
    if (!from || !to) return host::Fail(ERROR_INVALID_PARAMETER);
    const auto value = static_cast<int64_t>(host::FileTimeValue(*from));
    if (value < 0 || value + units < 0) return host::Fail(ERROR_INVALID_PARAMETER);
    *to = host::FileTimeFromValue(static_cast<uint64_t>(value + units));
    return TRUE;
}

}  // namespace

extern "C" BOOL WINAPI LocalFileTimeToFileTime(const FILETIME* lpLocalFileTime, LPFILETIME lpFileTime) {
    return ShiftFileTime(lpLocalFileTime, lpFileTime, -CurrentBiasUnits());
}

extern "C" BOOL WINAPI FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime) {
    return ShiftFileTime(lpFileTime, lpLocalFileTime, CurrentBiasUnits());
}

extern "C" void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime) {
    if (!lpSystemTime) return;
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    const FILETIME universal = host::FileTimeFromTimespec(now);
    FILETIME local;
    FileTimeToLocalFileTime(&universal, &local);
    FileTimeToSystemTime(&local, lpSystemTime);
}
