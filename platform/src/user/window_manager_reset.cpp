// host::ResetWindowManager: a clean window manager for the next test case.
#include "message_queue.h"
#include "ruvexa_host.h"
#include "window_registry.h"

namespace host {

void ResetWindowManager() {
    ClearWindowRegistry();
    ClearTimers();
    ClearMessageQueue();
    ResetCursor();
    SetInputWindow(nullptr);
}

}  // namespace host
