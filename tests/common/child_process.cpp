#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <stdexcept>

#include "temp_folder.h"

extern char** environ;

namespace testing_support {
namespace {

int Reap(pid_t process) {
    int status = 0;
    while (waitpid(process, &status, 0) < 0) {
    }
    return status;
}

}  // namespace

pid_t Start(const std::string& program, const std::vector<std::string>& arguments, const ChildIo& io) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, io.outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (io.errDescriptor >= 0) {
        posix_spawn_file_actions_adddup2(&actions, io.errDescriptor, 2);
    } else {
        posix_spawn_file_actions_addopen(&actions, 2, io.errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    int spawned = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start " + program);
    return pid;
}

pid_t Start(const std::string& program, const std::vector<std::string>& arguments, const std::string& outPath,
            const std::string& errPath) {
    return Start(program, arguments, ChildIo{.outPath = outPath, .errPath = errPath});
}

int WaitFor(pid_t process) {
    const int status = Reap(process);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int Interrupt(pid_t process, int signal) {
    kill(process, signal);
    const int status = Reap(process);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

int RunAndWait(const std::string& program, const std::vector<std::string>& arguments, const std::string& outPath,
               const std::string& errPath) {
    return WaitFor(Start(program, arguments, outPath, errPath));
}

ChildRun RunCaptured(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& outPath, const std::string& errPath) {
    const int status = RunAndWait(program, arguments, outPath, errPath);
    return {status, ReadHostFile(outPath), ReadHostFile(errPath)};
}

}  // namespace testing_support
