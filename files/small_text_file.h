// Small text files of the device's own making (markers, records): read whole
// into a buffer, written whole and flushed, or added to at their end.
#pragma once

#include <windows.h>

// Up to `capacity` - 1 bytes of `path`, zero-terminated, their count in
// *length when `length` is given; FALSE, with the platform's error left,
// when it cannot be read.
BOOL ReadSmallFile(LPCWSTR path, char* text, DWORD capacity, DWORD* length = NULL);

// Whether the file at `path`, of any length, holds `needle` (shorter than
// 256 bytes); FALSE also when it cannot be read.
BOOL FileHoldsText(LPCWSTR path, const char* needle);

// `text` written to a new `path` (an earlier one replaced) and flushed, so
// that it is on the flash whole before anything that relies on it. FALSE,
// with the platform's error left, when it cannot be.
BOOL WriteFlushedFile(LPCWSTR path, const char* text);

// `text` added at the end of `path` (created when missing) and flushed.
// FALSE, with the platform's error left, when it cannot be.
BOOL AppendFlushedFile(LPCWSTR path, const char* text);
