// One run at a time on a device folder: two would each find the other's
// half-written files and fail in ways that say nothing of the cause.
#pragma once

#include <string>

namespace host {

// Locks the device folder for this process until it ends; nothing is
// written into the folder. False, with one line that names the process
// holding it, when another run has it.
bool LockDeviceFolder(const std::string& root, std::string* error);

// In a boot's forked process: closes its copy of the lock's descriptor. The
// supervisor's copy keeps the folder locked; no program the boot starts can
// hold it on, not even between its fork and its exec.
void LeaveDeviceFolderLockToSupervisor();

}  // namespace host
