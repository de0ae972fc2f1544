#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
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

// Our environment with `extra` in place of the variables of the same names.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& extra) {
    std::vector<std::string> variables = extra;
    for (char** variable = environ; *variable; ++variable) {
        const std::string entry = *variable;
        const auto named = [&](const std::string& added) {
            return entry.rfind(added.substr(0, added.find('=') + 1), 0) == 0;
        };
        if (std::none_of(extra.begin(), extra.end(), named)) variables.push_back(entry);
    }
    return variables;
}

std::vector<char*> Pointers(std::vector<std::string>& words) {
    std::vector<char*> pointers;
    for (std::string& word : words) pointers.push_back(word.data());
    pointers.push_back(nullptr);
    return pointers;
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
    std::vector<std::string> words = {program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<std::string> variables = EnvironmentWith(io.environment);
    pid_t pid = 0;
    int spawned = posix_spawnp(&pid, program.c_str(), &actions, nullptr, Pointers(words).data(),
                               Pointers(variables).data());
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
