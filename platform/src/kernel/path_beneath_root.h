// Host paths below the device root looked up in one system call, through
// the root held open, with every symbolic link on the way refused.
#pragma once

#include <sys/stat.h>

#include <string>

namespace host {

enum class Lookup {
    Found,      // an entry that is no link, reached through no link
    Missing,    // no entry of that exact name, or no folder on the way
    Undecided,  // a link, a non-folder on the way, or a host that cannot
                // tell in one call: the caller walks the path itself
};

// Looks up `relative` ("/"-separated, below the device root); `st` is set
// when it is found.
Lookup StatBeneathDeviceRoot(const std::string& relative, struct stat* st);

// A descriptor open for reading the folder `relative`, reached through no
// link, or -1.
int OpenFolderBeneathDeviceRoot(const std::string& relative);

// Drops the held root: SetDeviceRoot names another.
void ForgetDeviceRootHandle();

}  // namespace host
