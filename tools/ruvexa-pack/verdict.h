// How a rejected package is reported: the device's failure code with a
// plain reason, then the program's own log line for it.
#pragma once

#include <string>

#include "archive_check.h"
#include "package_check.h"

namespace pack {

// "CODE: reason", and "  device log: LINE" below it when the program logged one.
std::string RejectionText(const std::string& code, const std::string& reason, const std::string& programLine);
std::string RejectionText(const CheckResult& result);
std::string RejectionText(const ArchiveCheck& result);

}  // namespace pack
