// Pre-verification of an upgrade package: open it, check the signature, find
// the tail from the end, and tie head, tail and file length together before
// any section is copied.
#pragma once

#include <windows.h>

#include "extract_codes.h"
#include "package_info.h"

// Opens `upgradeFile` for reading (share mode 0, so nothing else can change
// it while it is read) and checks it step by step; the first failing step is
// logged and ends the check.
//
// TRUE: *package is open at offset 8 (the exe section), *info holds the head
// and tail, *crc is a started CRC-32 accumulator over the 8 head bytes.
//
// FALSE: *failureIndex holds the failing step. When the open itself failed
// (ExtractFailure::kOpenPackage) *package is
// INVALID_HANDLE_VALUE; after any later step *package is the open handle and
// the caller closes it (and logs a failed close) before it reports.
BOOL PreVerifyPackage(LPCWSTR upgradeFile, HANDLE* package, PackageInfo* info, DWORD* crc,
                      ExtractFailure* failureIndex);
