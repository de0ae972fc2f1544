// Subprocess runs and byte helpers for the ruvexa-pack tests.
#include "pack_runner.h"


#include <sys/stat.h>
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
