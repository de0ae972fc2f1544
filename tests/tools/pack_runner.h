// Running ruvexa-pack (and reference tools such as unzip) as subprocesses
// on files in a temporary folder, and handling the bytes of packages.
#pragma once

#include <string>
#include <vector>

#include "test_bytes.h"
#include "test_support.h"

namespace pack_test {

using testing_support::LittleEndianAt;
using testing_support::PutLittleEndian;
using testing_support::RandomBytes;

using ToolRun = testing_support::ChildRun;

// Runs `program` (looked up in PATH when it has no "/") with `arguments`,
// standard output and error captured through files in `scratch`.
ToolRun RunProgram(const std::string& scratch, const std::string& program, const std::vector<std::string>& arguments);

// A temporary folder with ruvexa-pack at hand.
class Workspace : public testing_support::TempFolder {
public:
    Workspace() : TempFolder("ruvexa-workspace-") {}
    ToolRun Pack(const std::vector<std::string>& arguments) const;
    ToolRun Tool(const std::string& program, const std::vector<std::string>& arguments) const;
};

// ruvexa-pack started with its standard error into a pipe that is already
// full: the run stops at its first warning, until a signal ends it.
class HeldRun {
public:
    // TMPDIR is `tmp` for the run.
    HeldRun(const std::vector<std::string>& arguments, const std::string& tmp);
    ~HeldRun();
    HeldRun(const HeldRun&) = delete;
    HeldRun& operator=(const HeldRun&) = delete;

    // Sends `signal`, then waits: the status a shell reports, 128 + N for a
    // process ended by signal N.
    int Interrupt(int signal);

private:
    pid_t process_ = -1;
    int pipe_[2] = {-1, -1};
};

}  // namespace pack_test
