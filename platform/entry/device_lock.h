// One run at a time on a device folder: two would each find the other's
// half-written files and fail in ways that say nothing of the cause.
#pragma once

#include <string>

namespace host {

// Locks the device folder for this process and the boots it forks, until
// the process ends; nothing is written into the folder. False, with one line
// that names the process holding it, when another run has it.
bool LockDeviceFolder(const std::string& root, std::string* error);

}  // namespace host
