// PNG files of a surface, written with libpng.
#pragma once

#include <string>

#include "framebuffer.h"

namespace host {

// Writes `surface` as an 8-bit RGB PNG. The file appears whole or not at
// all: it is written beside the target and renamed over it.
bool WritePngFile(const std::string& path, const Surface& surface);

}  // namespace host
