// StringCchCopyW, StringCchCatW, StringCchLengthW, StringCchPrintfW,
// StringCchVPrintfW: bounded wide-string functions. None writes past cchDest
// units; a result that does not fit is cut short, terminated, and reported
// as STRSAFE_E_INSUFFICIENT_BUFFER.
#include <strsafe.h>

#include <cwchar>
#include <string_view>

#include "format.h"

namespace {

bool IsValidDestination(LPWSTR dest, size_t cchDest) {
    return dest != nullptr && cchDest != 0 && cchDest <= STRSAFE_MAX_CCH;
}

// An unusable size still leaves a terminated (empty) destination where
// there is room for the zero, as the platform does.
HRESULT RejectDestination(LPWSTR dest, size_t cchDest) {
    if (dest != nullptr && cchDest != 0) dest[0] = L'\0';
    return STRSAFE_E_INVALID_PARAMETER;
}

// Writes `text` at dest (room: cchRoom units, at least 1), cut to fit.
HRESULT CopyBounded(LPWSTR dest, size_t cchRoom, std::wstring_view text) {
    size_t count = text.size() < cchRoom ? text.size() : cchRoom - 1;
    std::wmemcpy(dest, text.data(), count);
    dest[count] = L'\0';
    return count == text.size() ? S_OK : STRSAFE_E_INSUFFICIENT_BUFFER;
}

// The length of `text` when its zero lies within cchMax units.
bool BoundedLength(LPCWSTR text, size_t cchMax, size_t* length) {
    size_t n = 0;
    while (n < cchMax && text[n] != L'\0') ++n;
    *length = n;
    return n < cchMax;
}

std::wstring_view SourceText(LPCWSTR source) {
    return source ? std::wstring_view(source) : std::wstring_view();
}

}  // namespace

extern "C" HRESULT StringCchCopyW(LPWSTR pszDest, size_t cchDest, LPCWSTR pszSrc) {
    if (!IsValidDestination(pszDest, cchDest)) return RejectDestination(pszDest, cchDest);
    return CopyBounded(pszDest, cchDest, SourceText(pszSrc));
}

extern "C" HRESULT StringCchCatW(LPWSTR pszDest, size_t cchDest, LPCWSTR pszSrc) {
    if (!IsValidDestination(pszDest, cchDest)) return RejectDestination(pszDest, cchDest);
    size_t used = 0;
    // A destination without its zero inside the buffer is left untouched.
    if (!BoundedLength(pszDest, cchDest, &used)) return STRSAFE_E_INVALID_PARAMETER;
    return CopyBounded(pszDest + used, cchDest - used, SourceText(pszSrc));
}

extern "C" HRESULT StringCchLengthW(LPCWSTR psz, size_t cchMax, size_t* pcchLength) {
    size_t length = 0;
    bool valid = psz != nullptr && cchMax <= STRSAFE_MAX_CCH && BoundedLength(psz, cchMax, &length);
    if (pcchLength) *pcchLength = valid ? length : 0;
    return valid ? S_OK : STRSAFE_E_INVALID_PARAMETER;
}

extern "C" HRESULT StringCchVPrintfW(LPWSTR pszDest, size_t cchDest, LPCWSTR pszFormat,
                                     va_list argList) {
    if (!IsValidDestination(pszDest, cchDest)) return RejectDestination(pszDest, cchDest);
    if (!pszFormat) return RejectDestination(pszDest, cchDest);
    return CopyBounded(pszDest, cchDest, host::FormatDeviceText(pszFormat, argList));
}

extern "C" HRESULT StringCchPrintfW(LPWSTR pszDest, size_t cchDest, LPCWSTR pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    HRESULT result = StringCchVPrintfW(pszDest, cchDest, pszFormat, args);
    va_end(args);
    return result;
}
