// minizip's file functions over a HostFile, optionally limited to a window
// of it, so that an archive section is read where it lies in a package.
#pragma once

#include <minizip/ioapi.h>

#include <cstdint>

#include "host_file.h"

namespace pack {

struct MinizipStream {
    HostFile* file;
    uint64_t offset = 0;  // where the archive starts in the file
    uint64_t size = 0;    // its length; grows as a new archive is written
    uint64_t position = 0;
};

// Functions whose open call ignores the name and hands out `stream`.
zlib_filefunc64_def MinizipFunctions(MinizipStream* stream);

}  // namespace pack
