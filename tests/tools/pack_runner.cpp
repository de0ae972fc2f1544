// Subprocess runs and byte helpers for the ruvexa-pack tests.
#include "pack_runner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace pack_test {
namespace {

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

ToolRun RunProgram(const std::string& scratch, const std::string& program, const std::vector<std::string>& arguments) {
    std::string outPath = scratch + "/.run-stdout";
    std::string errPath = scratch + "/.run-stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    int spawned = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start " + program);
    int wstatus = 0;
    while (waitpid(pid, &wstatus, 0) < 0) {
    }
    ToolRun run;
    run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    run.out = ReadWhole(outPath);
    run.err = ReadWhole(errPath);
    unlink(outPath.c_str());
    unlink(errPath.c_str());
    return run;
}

void Workspace::Write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(Path(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + Path(name));
}

std::string Workspace::Read(const std::string& name) const {
    return ReadWhole(Path(name));
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
