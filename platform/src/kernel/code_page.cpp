// WideCharToMultiByte: wide text as UTF-8, the one code page the layer
// knows. Checks and results as the system's: a length of -1 takes the
// terminator too, a buffer size of 0 asks for the size needed, a buffer too
// small fails; an unpaired surrogate becomes U+FFFD.
#include <climits>
#include <cstring>

#include "error.h"
#include "ruvexa_host.h"

extern "C" int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                                          LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                                          LPBOOL lpUsedDefaultChar) {
    if (CodePage != CP_UTF8 || !lpWideCharStr || cchWideChar == 0 || cbMultiByte < 0 ||
        (cbMultiByte > 0 && !lpMultiByteStr) || lpDefaultChar || lpUsedDefaultChar ||
        static_cast<const void*>(lpWideCharStr) == static_cast<const void*>(lpMultiByteStr)) {
        host::Fail(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (dwFlags != 0) {
        host::Fail(ERROR_INVALID_FLAGS);
        return 0;
    }
    const size_t length = cchWideChar < 0 ? wcslen(lpWideCharStr) + 1 : static_cast<size_t>(cchWideChar);
    const std::string text = host::WideToUtf8(std::wstring_view(lpWideCharStr, length));
    if (text.size() > INT_MAX) {
        host::Fail(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const int needed = static_cast<int>(text.size());
    if (cbMultiByte == 0) return needed;
    if (needed > cbMultiByte) {
        host::Fail(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    memcpy(lpMultiByteStr, text.data(), text.size());
    return needed;
}
