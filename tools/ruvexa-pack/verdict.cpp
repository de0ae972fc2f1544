// The text of a rejected package's failure code, reason and log line.
#include "verdict.h"

namespace pack {

std::string RejectionText(const std::string& code, const std::string& reason, const std::string& programLine) {
    std::string text = code + ": " + reason;
    if (!programLine.empty()) text += "\n  device log: " + programLine;
    return text;
}

std::string RejectionText(const CheckResult& result) {
    return RejectionText(FailureCodeText(result.failureIndex), result.reason, result.programLine);
}

std::string RejectionText(const ArchiveCheck& result) {
    return RejectionText(result.code, result.reason, result.programLine);
}

}  // namespace pack
