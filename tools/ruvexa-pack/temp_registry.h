// The temporaries alive at any moment, so that an interrupted run removes
// them too: on SIGINT or SIGTERM a handler deletes every registered file and
// folder (with what is in it), then lets the signal end the process as it
// would have, exit status 130 or 143 to a shell.
#pragma once

#include <string>

namespace pack {

// Installs the handler; called once at start.
void RemoveTemporariesOnInterrupt();

// A registration's handle; -1 when every slot is taken (the temporary is
// then still removed by its owner, only not on an interrupt).
int RegisterTemporary(const std::string& path, bool folder);
void UnregisterTemporary(int slot);

// Holds SIGINT and SIGTERM back while it lives, so that creating or renaming
// a temporary and (un)registering it happen as one step for the handler.
class InterruptsHeld {
public:
    InterruptsHeld();
    ~InterruptsHeld();
    InterruptsHeld(const InterruptsHeld&) = delete;
    InterruptsHeld& operator=(const InterruptsHeld&) = delete;

private:
    unsigned long long saved_[16];  // a sigset_t, which this header need not know
};

}  // namespace pack
