// FormatMessageW: the system's text for a Win32 error code. The host's own
// words stand for the device's: the text of the errno value the layer turns
// into the code (src/kernel/error.cpp), so that a host tool says "Permission
// denied" as the host does. A code without such words has no text here.
#include <cerrno>
#include <cstring>

#include "error.h"
#include "ruvexa_host.h"

namespace host {
namespace {

// The errno value whose text a code takes, 0 for the one code with words of
// its own, -1 for a code without a text.
int ErrnoOf(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return ENOENT;
        case ERROR_ACCESS_DENIED: return EACCES;
        case ERROR_DISK_FULL: return ENOSPC;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return EEXIST;
        case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
        case ERROR_DIRECTORY: return ENOTDIR;
        case ERROR_WRITE_PROTECT: return EROFS;
        // The host never refuses a second open; only the layer's share modes do.
        case ERROR_SHARING_VIOLATION: return 0;
        default: return -1;
    }
}

}  // namespace
}  // namespace host

extern "C" DWORD WINAPI FormatMessageW(DWORD dwFlags, LPCVOID, DWORD dwMessageId, DWORD, LPWSTR lpBuffer, DWORD nSize,
                                       va_list*) {
    // The host has one language; the texts have no inserts to fill.
    if ((dwFlags & ~DWORD{FORMAT_MESSAGE_IGNORE_INSERTS}) != FORMAT_MESSAGE_FROM_SYSTEM || !lpBuffer) {
        host::Fail(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int err = host::ErrnoOf(dwMessageId);
    if (err < 0) {
        host::Fail(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    char words[256];
    std::wstring text = host::Utf8ToWide(err == 0 ? "the file is in use" : strerror_r(err, words, sizeof(words)));
    text += L"\r\n";
    if (text.size() >= nSize) {
        host::Fail(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    wmemcpy(lpBuffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}
