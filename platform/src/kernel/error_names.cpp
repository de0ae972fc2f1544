// ErrorFromName, ErrorNames: the names of the Win32 error codes the layer's
// headers define, for the failure hook's command line; all but the two
// only FormatMessageW sets and the one only WideCharToMultiByte sets, which
// no operation of the hook can meet.
#include <strings.h>

#include <string>

#include "ruvexa_host.h"

namespace host {
namespace {

struct ErrorName {
    const char* name;
    DWORD code;
};

#define ERROR_NAME(code) {#code, code}
constexpr ErrorName kErrorNames[] = {
    ERROR_NAME(ERROR_INVALID_FUNCTION),   ERROR_NAME(ERROR_FILE_NOT_FOUND),    ERROR_NAME(ERROR_PATH_NOT_FOUND),
    ERROR_NAME(ERROR_TOO_MANY_OPEN_FILES), ERROR_NAME(ERROR_ACCESS_DENIED),    ERROR_NAME(ERROR_INVALID_HANDLE),
    ERROR_NAME(ERROR_NOT_ENOUGH_MEMORY),  ERROR_NAME(ERROR_BAD_FORMAT),        ERROR_NAME(ERROR_OUTOFMEMORY),
    ERROR_NAME(ERROR_NOT_SAME_DEVICE),    ERROR_NAME(ERROR_NO_MORE_FILES),     ERROR_NAME(ERROR_WRITE_PROTECT),
    ERROR_NAME(ERROR_GEN_FAILURE),        ERROR_NAME(ERROR_SHARING_VIOLATION), ERROR_NAME(ERROR_HANDLE_EOF),
    ERROR_NAME(ERROR_NOT_SUPPORTED),      ERROR_NAME(ERROR_FILE_EXISTS),       ERROR_NAME(ERROR_INVALID_PARAMETER),
    ERROR_NAME(ERROR_BROKEN_PIPE),        ERROR_NAME(ERROR_DISK_FULL),         ERROR_NAME(ERROR_INVALID_NAME),
    ERROR_NAME(ERROR_NEGATIVE_SEEK),      ERROR_NAME(ERROR_DIR_NOT_EMPTY),     ERROR_NAME(ERROR_BUSY),
    ERROR_NAME(ERROR_ALREADY_EXISTS),     ERROR_NAME(ERROR_BAD_EXE_FORMAT),    ERROR_NAME(ERROR_FILENAME_EXCED_RANGE),
    ERROR_NAME(ERROR_DIRECTORY),          ERROR_NAME(ERROR_IO_DEVICE),
};
#undef ERROR_NAME

}  // namespace

bool ErrorFromName(std::string_view name, DWORD* error) {
    for (const ErrorName& entry : kErrorNames) {
        if (strcasecmp(std::string(name).c_str(), entry.name) == 0) {
            *error = entry.code;
            return true;
        }
    }
    return false;
}

std::string ErrorNames() {
    std::string names;
    for (const ErrorName& entry : kErrorNames) names += (names.empty() ? "" : ", ") + std::string(entry.name);
    return names;
}

}  // namespace host
