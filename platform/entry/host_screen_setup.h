// Shows the screen as the host options ask: PNG file, numbered frames, and
// an SDL2 window unless headless.
#pragma once

#include <string>

#include "host_options.h"

namespace host {

// Before the first boot: the screen PNG can be written and the frames
// folder exists (created when missing) and takes files. False with one line
// that names the path and the reason.
bool CheckScreenOutputs(const HostOptions& options, std::string* error);

void SetUpScreen(const HostOptions& options);

}  // namespace host
