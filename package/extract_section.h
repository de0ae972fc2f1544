// ExtractSection: copies one section of an upgrade package into its output
// file, or only reads it, while it feeds the CRC-32 accumulator and the
// signature check.
#pragma once

#include <sodium.h>
#include <windows.h>

#include "stage_progress.h"

// Copies exactly `count` bytes from the package's current read position to
// the output's current write position and folds each copied byte into *crc,
// and into the package's signature check when `signing` is given; each chunk
// copied advances `progress` by its bytes when one is given. A null
// `output` makes it a read-only pass: the bytes are checksummed, not written.
// Both handles stay open and are not repositioned beyond the copy.
//
// FALSE at the first failed or short read or write, when the transfer buffer
// cannot be obtained, or for an invalid handle: bytes already written stay in
// the output and *crc holds the chunks copied so far. The last error is
// whatever the failing call left; the caller logs it.
BOOL ExtractSection(HANDLE output, HANDLE package, DWORD count, DWORD* crc, crypto_sign_state* signing = NULL,
                    StageProgress* progress = NULL);
