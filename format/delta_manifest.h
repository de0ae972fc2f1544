// The delta manifest (delta_format.h): its one reader and its one writer,
// shared by the device and ruvexa-pack.
//
// Accepted forms, read the same on both sides:
//   - a line ends in "\n"; a "\r" before it is taken as part of the end
//     (CRLF), and the last line must have its end;
//   - fields are separated by exactly one blank: two blanks or a tab
//     between them, or a blank after an exe line's CRC, make the line
//     malformed; a PATH is the rest of the line, its own blanks included
//     (the device's file system drops a name's trailing blanks and dots,
//     and the delta's check compares paths as it does);
//   - SIZE is decimal without sign, at most 4294967295;
//   - CRC is exactly eight hex digits, upper or lower case;
//   - PATH, in UTF-8, is made "\" and refused when it would leave the folder
//     (a leading "/" or "\", a drive or stream ":", a ".." component) or
//     names a folder; "." components are dropped;
//   - a zero byte inside a line, or a line of kManifestLineCapacity bytes or
//     more, makes the manifest malformed.
// The writer writes upper-case hex and "\n" line ends only, and never a
// line the reader would refuse.
#pragma once

#include <windows.h>

#include "delta_format.h"

enum class ManifestKind { kExeWhole, kExePatch, kTake, kAdd };

struct ManifestLine {
    ManifestKind kind;
    DWORD size;
    DWORD crc;
    // Below the folder, "\" separators, checked to stay inside it; empty
    // for an exe line.
    WCHAR path[MAX_PATH];
};

enum class ManifestRead { kLine, kEnd, kMalformed };

// Where a manifest's bytes come from: up to `size` bytes into `buffer`, the
// count read, 0 at the end, negative when the bytes cannot be read.
class ManifestSource {
public:
    virtual int Read(void* buffer, DWORD size) = 0;

protected:
    ~ManifestSource() = default;
};

// Splits a source into lines and parses each; the first line must be
// kManifestFirstLine. Holds one line's buffer, never the whole manifest.
class ManifestLineReader {
public:
    // Reads and checks the first line; false when it is not a manifest.
    bool Begin(ManifestSource* source);
    ManifestRead Next(ManifestLine* line);
    // The path of the line Next returned last as it stands in the manifest
    // (UTF-8, "/" kept); empty for an exe line.
    const char* PathText() const { return pathText_; }

private:
    // The next line into line_, without its end; false at the source's end
    // or when a line does not fit or cannot be read (failed_).
    bool ReadLine();

    ManifestSource* source_ = nullptr;
    char buffer_[kManifestLineCapacity];
    DWORD start_ = 0;
    DWORD filled_ = 0;
    char line_[kManifestLineCapacity];
    const char* pathText_ = "";
    bool failed_ = false;
};

// One manifest line, without its end; false when it is not of the form.
// `pathText`, when given, receives where the path starts in `text`.
bool ParseManifestLine(const char* text, ManifestLine* line, const char** pathText = nullptr);

// Writes "KIND SIZE CRC[ PATH]\n" (PATH, UTF-8, for take and add only) into
// `out` with its zero; the length written, or 0 when it does not fit in
// `capacity` or the reader would not take it back as written.
DWORD WriteManifestLine(ManifestKind kind, DWORD size, DWORD crc, const char* path, char* out, DWORD capacity);

// Writes kManifestFirstLine and its "\n" into `out`; the length, or 0.
DWORD WriteManifestFirstLine(char* out, DWORD capacity);
