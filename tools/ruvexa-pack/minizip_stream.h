// minizip's file functions over a HostFile, optionally limited to a window
// of it, so that an archive section is read where it lies in a package.
#pragma once

#include <minizip/ioapi.h>
#include <minizip/zip.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host_file.h"

namespace pack {

struct MinizipStream {
    HostFile* file;
    uint64_t offset = 0;  // where the archive starts in the file
    uint64_t size = 0;    // its length; grows as a new archive is written
    uint64_t position = 0;
    // minizip reads headers a byte or a field at a time: reads are served
    // from a buffer of the bytes at [bufferStart, bufferStart + buffer.size()).
    std::vector<char> buffer;
    uint64_t bufferStart = 0;
    // Writes come as many small pieces (each header field); contiguous ones
    // are gathered at [pendingStart, pendingStart + pending.size()).
    std::vector<char> pending;
    uint64_t pendingStart = 0;
    bool writeFailed = false;
};

// Functions whose open call ignores the name and hands out `stream`.
zlib_filefunc64_def MinizipFunctions(MinizipStream* stream);

// Opens `zipPath` for writing as `out` and starts a new archive in it through
// `stream`, both the caller's to keep until the archive is closed; null, with
// the error, when either cannot be done.
zipFile CreateZip(const std::string& zipPath, HostFile* out, MinizipStream* stream, std::string* error);

}  // namespace pack
