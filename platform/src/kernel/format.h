// The device's wide printf, shared by NKDbgPrintfW and StringCchPrintfW.
#pragma once

#include <stdarg.h>

#include <string>

namespace host {

// Formats `format` as the device's wide printf does, which differs from
// glibc's wide printf:
//   %s  a wide string (%hs narrow, %ls wide); %S the opposite width (narrow)
//   %c  a wide character (%hc narrow); %C a narrow character
//   l   32 bits, since long is 32 bits on the device; ll is 64 bits
//   a null string prints "(null)"
// Integer conversions d i u o x X, %p and %% take the flags "-0+ #", a width
// and a precision ("*" reads them from the arguments); f e E g G format a
// double with the same flags. Narrow strings are
// read as UTF-8. An unknown or unfinished conversion is copied literally.
std::wstring FormatDeviceText(const wchar_t* format, va_list args);

}  // namespace host
