// Host <minizip/unzip.h>: minizip's own header (Debian's libminizip-dev),
// with unzOpen taking a device path, as it does on the device.
//
// On the device, minizip's default stdio file access opens a path such as
// "\NandFlash\AppImages.zi" through the C runtime, which knows the device's
// file system. On the host that path means nothing to the host's fopen, so
// unzOpen is routed to HostUnzOpen: the same archive opened with a file
// layer over the platform's CreateFileW, ReadFile and SetFilePointer, so
// that the path resolves below the device root with the platform's rules
// (case-insensitive names, sharing, the failure hook). The program's call
// stays `unzOpen(narrowPath)` in both builds. Every other function is
// minizip's own.
#pragma once

#include_next <minizip/unzip.h>

#ifdef __cplusplus
extern "C" {
#endif

// Opens the archive at a device path given as narrow (UTF-8) text; null when
// it cannot be opened or is no zip archive.
unzFile HostUnzOpen(const char* devicePath);

#ifdef __cplusplus
}
#endif

#define unzOpen(path) HostUnzOpen(path)
