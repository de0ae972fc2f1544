// Test support: a temporary device folder per test, a capture of the debug
// log, snapshots of device trees, waits, and threads on a small stack; the
// temporary folders and child processes it builds on.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "child_process.h"
#include "temp_folder.h"

namespace testing_support {

// A temporary folder that stands for the device's root while the object
// lives.
class TempDevice : public TempFolder {
public:
    TempDevice();

    // Host path of a device path written with "\" separators, exact case.
    std::string Host(const std::wstring& devicePath) const;

    // Files and folders made directly on the host, parents included.
    void MakeFolder(const std::wstring& devicePath) const;
    void WriteFile(const std::wstring& devicePath, const std::string& bytes) const;
    std::string ReadFile(const std::wstring& devicePath) const;
    bool Exists(const std::wstring& devicePath) const;
    void SetReadOnly(const std::wstring& devicePath, bool readOnly) const;
    // Whether the host file system keeps user extended attributes, and so
    // the attribute bits beside read-only (tmpfs on older kernels does not).
    bool KeepsExtendedAttributes() const;
};

// Collects the debug log while it lives.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::string Text() const;
    // The log split after every "\r\n", each line without it.
    std::vector<std::string> Lines() const;
    // Lines with the tick value of "at=[...]" replaced by "at=[*]", and a
    // stage's duration "took=[...]" by "took=[*]".
    std::vector<std::string> MaskedLines() const;
    void Clear();
};

std::string MaskTicks(const std::string& line);

// A text split after every `separator` (the log's "\r\n" unless given),
// each line without it.
std::vector<std::string> SplitLogLines(const std::string& text, const std::string& separator = "\r\n");
// The log's lines with the tick values masked.
std::vector<std::string> MaskedLogLines(const std::string& text);

// `head` followed by `tail`: expected logs and command lines built from
// shared pieces.
std::vector<std::string> Concat(std::vector<std::string> head, const std::vector<std::string>& tail);

// Checks `condition` every 10 ms until it holds or `limit` of real time has
// passed; whether it held.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit);

// A program started on the device runs detached: waits up to ten seconds of
// real time for the marker file it leaves.
bool AppearsSoon(const TempDevice& device, const std::wstring& devicePath);

// Runs `work` on a thread of its own with a stack of `stackBytes`, as small
// as a device thread's (64 KiB), and waits for it.
void RunOnStackOf(size_t stackBytes, const std::function<void()>& work);

// Every file and folder below a host folder: the path relative to it with "/"
// separators, and the file's bytes ("<folder>" for a folder).
using Tree = std::map<std::string, std::string>;
constexpr const char* kFolderMark = "<folder>";
Tree SnapshotOf(const std::string& hostFolder);

// Every path that is missing, unexpected or different, one per line, rather
// than whole files; empty when the trees agree.
std::string TreeDifference(const Tree& actual, const Tree& expected);

}  // namespace testing_support
