// Host declarations of the bounded string functions of <strsafe.h>.
//
// Each function writes at most cchDest units including the terminating zero.
// When the result does not fit, the destination holds the truncated text,
// terminated, and STRSAFE_E_INSUFFICIENT_BUFFER is returned: a caller that
// checks SUCCEEDED() never uses a path that was cut short.
// StringCchPrintfW formats with the device's semantics (%s is a wide string).
#pragma once

#include <stdarg.h>

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#define S_OK ((HRESULT)0)
#define STRSAFE_E_INSUFFICIENT_BUFFER ((HRESULT)0x8007007AL)
#define STRSAFE_E_INVALID_PARAMETER ((HRESULT)0x80070057L)
#define STRSAFE_MAX_CCH 2147483647
#ifndef SUCCEEDED
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#endif

HRESULT StringCchCopyW(LPWSTR pszDest, size_t cchDest, LPCWSTR pszSrc);
HRESULT StringCchCatW(LPWSTR pszDest, size_t cchDest, LPCWSTR pszSrc);
HRESULT StringCchLengthW(LPCWSTR psz, size_t cchMax, size_t* pcchLength);
HRESULT StringCchPrintfW(LPWSTR pszDest, size_t cchDest, LPCWSTR pszFormat, ...);
HRESULT StringCchVPrintfW(LPWSTR pszDest, size_t cchDest, LPCWSTR pszFormat, va_list argList);

#ifdef __cplusplus
}
#endif
