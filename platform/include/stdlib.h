// Host <stdlib.h>: the C library's own header, plus the bounded wide/narrow
// conversions that the device's C runtime declares here and glibc lacks:
// wcstombs_s and mbstowcs_s with their documented signatures and results.
//
// The host's narrow code page is UTF-8: a narrow path or an entry name read
// from an archive is UTF-8 text, converted to and from the wide (UTF-32 on
// the host) text that the platform's functions take. Text that is not valid
// UTF-8, or a wide character that has no UTF-8 form, fails with EILSEQ.
#pragma once

#include_next <stdlib.h>

#include <stddef.h>
#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int errno_t;

// As `count`: convert as much as fits and terminate, returning STRUNCATE.
#ifndef _TRUNCATE
#define _TRUNCATE ((size_t)-1)
#endif
#ifndef STRUNCATE
#define STRUNCATE 80
#endif

// Converts `wcstr` to UTF-8 in `mbstr` (sizeInBytes bytes, its zero
// included), storing at most `count` bytes before the zero and never part of
// a character. *pReturnValue receives the bytes written with the zero. When
// the result does not fit, mbstr becomes empty and the result is ERANGE.
// With mbstr null and sizeInBytes 0, only the size needed is reported.
errno_t wcstombs_s(size_t* pReturnValue, char* mbstr, size_t sizeInBytes, const wchar_t* wcstr,
                   size_t count);

// Converts UTF-8 `mbstr` to wide text in `wcstr` (sizeInWords characters,
// its zero included), storing at most `count` characters before the zero.
// *pReturnValue receives the characters written with the zero. When the
// result does not fit, wcstr becomes empty and the result is ERANGE. With
// wcstr null and sizeInWords 0, only the size needed is reported.
errno_t mbstowcs_s(size_t* pReturnValue, wchar_t* wcstr, size_t sizeInWords, const char* mbstr,
                   size_t count);

#ifdef __cplusplus
}
#endif
