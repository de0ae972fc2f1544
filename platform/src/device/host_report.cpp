// ReportToHost: one line of the host's own on standard error.
#include "host_report.h"

#include <cstdio>

#include "ruvexa_host.h"

namespace host {

void ReportToHost(const std::wstring& line) {
    std::string utf8 = WideToUtf8(line);
    std::fprintf(stderr, "%s\n", utf8.c_str());
    std::fflush(stderr);
}

}  // namespace host
