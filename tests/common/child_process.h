// Child processes for tests: started with their standard output and error
// redirected, waited for, or ended by a signal.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace testing_support {

// Where a child's standard output and error go.
struct ChildIo {
    std::string outPath = "/dev/null";
    std::string errPath = "/dev/null";
    int errDescriptor = -1;  // standard error instead of errPath when >= 0
};

// Starts `program` (looked up in PATH when it has no "/") with `arguments`.
pid_t Start(const std::string& program, const std::vector<std::string>& arguments, const ChildIo& io);
pid_t Start(const std::string& program, const std::vector<std::string>& arguments, const std::string& outPath,
            const std::string& errPath);

// The exit status, or -1 when the process did not exit normally.
int WaitFor(pid_t process);

// Sends `signal`, then waits: the status a shell reports, 128 + N for a
// process ended by signal N.
int Interrupt(pid_t process, int signal);

// Start and WaitFor in one.
int RunAndWait(const std::string& program, const std::vector<std::string>& arguments, const std::string& outPath,
               const std::string& errPath);

// How a child ended and what it wrote.
struct ChildRun {
    int status = -1;  // exit status, -1 when the process did not exit normally
    std::string out;
    std::string err;
};

// RunAndWait, and the files of standard output and error read back.
ChildRun RunCaptured(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& outPath, const std::string& errPath);

}  // namespace testing_support
