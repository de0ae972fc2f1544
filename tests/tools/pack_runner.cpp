// Subprocess runs and byte helpers for the ruvexa-pack tests.
#include "pack_runner.h"


#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace pack_test {

ToolRun RunProgram(const std::string& scratch, const std::string& program, const std::vector<std::string>& arguments) {
    std::string outPath = scratch + "/.run-stdout";
    std::string errPath = scratch + "/.run-stderr";
    ToolRun run;
    run.status = testing_support::RunAndWait(program, arguments, outPath, errPath);
    run.out = testing_support::ReadHostFile(outPath);
    run.err = testing_support::ReadHostFile(errPath);
    unlink(outPath.c_str());
    unlink(errPath.c_str());
    return run;
}

void Workspace::Write(const std::string& name, const std::string& bytes) const {
    testing_support::WriteHostFile(Path(name), bytes);
}

std::string Workspace::Read(const std::string& name) const {
    return testing_support::ReadHostFile(Path(name));
}

bool Workspace::Exists(const std::string& name) const {
    struct stat st;
    return lstat(Path(name).c_str(), &st) == 0;
}

ToolRun Workspace::Pack(const std::vector<std::string>& arguments) const {
    return RunProgram(device_.Root(), RUVEXA_PACK_PATH, arguments);
}

ToolRun Workspace::Tool(const std::string& program, const std::vector<std::string>& arguments) const {
    return RunProgram(device_.Root(), program, arguments);
}

HeldRun::HeldRun(const std::vector<std::string>& arguments, const std::string& tmp) {
    if (pipe2(pipe_, O_CLOEXEC) != 0) return;
    fcntl(pipe_[1], F_SETFL, O_NONBLOCK);
    const std::string filler(4096, 'x');
    while (write(pipe_[1], filler.data(), filler.size()) > 0) {
    }
    fcntl(pipe_[1], F_SETFL, 0);
    std::vector<std::string> words = {RUVEXA_PACK_PATH};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const std::string tmpdir = "TMPDIR=" + tmp;
    process_ = fork();
    if (process_ == 0) {
        dup2(pipe_[1], STDERR_FILENO);
        putenv(const_cast<char*>(tmpdir.c_str()));
        execv(argv[0], argv.data());
        _exit(127);
    }
}

HeldRun::~HeldRun() {
    if (process_ > 0) Interrupt(SIGKILL);
    for (int fd : pipe_) {
        if (fd >= 0) close(fd);
    }
}

int HeldRun::Interrupt(int signal) {
    if (process_ <= 0) return -1;
    kill(process_, signal);
    int status = 0;
    while (waitpid(process_, &status, 0) < 0) {
    }
    process_ = -1;
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

std::string Noise(size_t size, uint32_t seed) {
    std::string bytes(size, '\0');
    uint32_t state = seed * 2654435761u + 1;
    for (char& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

uint32_t LittleEndianAt(const std::string& bytes, size_t offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes.at(offset + i));
    return value;
}

void PutLittleEndian(std::string* bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes->at(offset + i) = static_cast<char>(value >> (8 * i));
}

}  // namespace pack_test
