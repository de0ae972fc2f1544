// Test archives made by tools we did not write: Python's zipfile, Info-ZIP's
// zip, 7-Zip, bsdtar and minizip's own writer.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "test_bytes.h"

namespace unzip_testing {

// Runs python3 on a script that opens `zipfile.ZipFile(archive, mode)` as `z`
// and then runs `body` (Python statements, one per line, indented by the
// caller as needed). The script also offers
//   add(name, data=b"", attr=None, date=(2021, 6, 15, 12, 30, 0),
//       method=zipfile.ZIP_DEFLATED)
// which writes one entry; attr, when given, is the whole external word.
// Mode "a" on a file that holds no archive appends one after its bytes.
bool MakePythonZip(const std::string& hostArchive, const std::string& body, const char* mode = "w");

// Runs Info-ZIP's zip in `hostFolder` with `arguments` (shell words).
bool RunInfoZip(const std::string& hostFolder, const std::string& arguments);

// Runs the shell `command` in `hostFolder` with $A naming the archive to
// write, a new file that becomes `hostArchive`.
bool MakeWithTool(const std::string& hostFolder, const std::string& hostArchive, const std::string& command);

// One entry written with minizip's writer. With `raw`, `data` is stored as
// the entry's compressed bytes under `method`, and `crc` and
// `uncompressedSize` are written as given.
struct MinizipEntry {
    std::string name;  // bytes as stored, no UTF-8 flag
    std::string data;
    DWORD externalAttributes = 0;
    DWORD dosDateTime = 0x52CF6000;  // 2021-06-15 12:00:00
    int method = 8;                  // Z_DEFLATED; 0 stores
    bool raw = false;
    DWORD crc = 0;
    DWORD uncompressedSize = 0;
};
bool MakeMinizipZip(const std::string& hostArchive, const std::vector<MinizipEntry>& entries);

// Raw deflate data of `bytes` (no zlib header).
std::string Deflate(const std::string& bytes);

using testing_support::RandomBytes;
using testing_support::ReferenceCrc32;

using Lines = std::vector<std::string>;

}  // namespace unzip_testing
