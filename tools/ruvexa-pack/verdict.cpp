// Printing a rejected package's failure code, reason and log line.
#include "verdict.h"

#include <iostream>

namespace pack {

void PrintRejection(const CheckResult& result) {
    std::cout << FailureCodeText(result.failureIndex) << ": " << result.reason << "\n";
    if (!result.programLine.empty()) std::cout << "  device log: " << result.programLine << "\n";
}

}  // namespace pack
