// Shows the screen as the host options ask: PNG file, numbered frames, and
// an SDL2 window unless headless.
#pragma once

#include "host_options.h"

namespace host {

void SetUpScreen(const HostOptions& options);

}  // namespace host
