// The host layer's own lines on standard error, never in the debug log.
#pragma once

#include <string>

namespace host {

// Writes one line to standard error, at once.
void ReportToHost(const std::wstring& line);

}  // namespace host
