// How a rejected package is reported: the device's failure code with a
// plain reason, then the program's own log line for it.
#pragma once

#include "package_check.h"

namespace pack {

void PrintRejection(const CheckResult& result);

}  // namespace pack
