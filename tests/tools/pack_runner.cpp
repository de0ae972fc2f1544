// Subprocess runs for the ruvexa-pack tests.
#include "pack_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace pack_test {

ToolRun RunProgram(const std::string& scratch, const std::string& program, const std::vector<std::string>& arguments) {
    const std::string outPath = scratch + "/.run-stdout";
    const std::string errPath = scratch + "/.run-stderr";
    ToolRun run = testing_support::RunCaptured(program, arguments, outPath, errPath);
    unlink(outPath.c_str());
    unlink(errPath.c_str());
    return run;
}

ToolRun Workspace::Pack(const std::vector<std::string>& arguments) const {
    return RunProgram(Root(), RUVEXA_PACK_PATH, arguments);
}

ToolRun Workspace::Tool(const std::string& program, const std::vector<std::string>& arguments) const {
    return RunProgram(Root(), program, arguments);
}

HeldRun::HeldRun(const std::vector<std::string>& arguments, const std::string& tmp) {
    if (pipe2(pipe_, O_CLOEXEC) != 0) return;
    fcntl(pipe_[1], F_SETFL, O_NONBLOCK);
    const std::string filler(4096, 'x');
    while (write(pipe_[1], filler.data(), filler.size()) > 0) {
    }
    fcntl(pipe_[1], F_SETFL, 0);
    // env replaces itself with ruvexa-pack: the process to signal keeps its id.
    process_ = testing_support::Start(
        "env", testing_support::Concat({"TMPDIR=" + tmp, RUVEXA_PACK_PATH}, arguments), {.errDescriptor = pipe_[1]});
}

HeldRun::~HeldRun() {
    if (process_ > 0) Interrupt(SIGKILL);
    for (int fd : pipe_) {
        if (fd >= 0) close(fd);
    }
}

int HeldRun::Interrupt(int signal) {
    if (process_ <= 0) return -1;
    const int status = testing_support::Interrupt(process_, signal);
    process_ = -1;
    return status;
}

}  // namespace pack_test
