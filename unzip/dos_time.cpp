// DosTimeToFileTime and SetFileTimeFromDos: an entry's MS-DOS date-time as
// the times of the extracted file.
#include <windows.h>

#include "unzipper.h"

bool DosTimeToFileTime(WORD date, WORD time, FILETIME* fileTime) {
    const WORD day = date & 0x1F;
    const WORD month = (date >> 5) & 0x0F;
    const WORD year = static_cast<WORD>(1980 + (date >> 9));
    const WORD second = static_cast<WORD>((time & 0x1F) * 2);
    const WORD minute = (time >> 5) & 0x3F;
    const WORD hour = time >> 11;
    if (day < 1 || day > 31 || month < 1 || month > 12 || second > 58 || minute > 59 || hour > 23) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    SYSTEMTIME calendar;
    calendar.wYear = year;
    calendar.wMonth = month;
    calendar.wDayOfWeek = 0;
    calendar.wDay = day;
    calendar.wHour = hour;
    calendar.wMinute = minute;
    calendar.wSecond = second;
    calendar.wMilliseconds = 0;
    // Also refuses a day that its month does not have, such as 31 April.
    return SystemTimeToFileTime(&calendar, fileTime) != FALSE;
}

bool SetFileTimeFromDos(LPCWSTR path, DWORD dosDateTime) {
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    FILETIME creation;
    FILETIME lastAccess;
    FILETIME lastWrite;
    FILETIME local;
    FILETIME universal;
    // The archive keeps local time; the file system keeps universal time.
    const bool set = GetFileTime(file, &creation, &lastAccess, &lastWrite) &&
                     DosTimeToFileTime(HIWORD(dosDateTime), LOWORD(dosDateTime), &local) &&
                     LocalFileTimeToFileTime(&local, &universal) &&
                     SetFileTime(file, &universal, &lastAccess, &universal);
    CloseHandle(file);
    return set;
}
