// Runs of build/ruvexa and build/ruvexa-pack as subprocesses.
#include "ruvexa_runner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace scenario {
namespace {

namespace fs = std::filesystem;

int Spawn(const std::string& program, const std::vector<std::string>& arguments, const std::string& outPath,
          const std::string& errPath) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start " + program);
    int wstatus = 0;
    while (waitpid(pid, &wstatus, 0) < 0) {
    }
    return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
}

}  // namespace

std::vector<std::string> RuvexaRun::LogLines() const {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = log.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(log.substr(start, end - start));
    }
    if (start < log.size()) lines.push_back(log.substr(start));
    return lines;
}

std::vector<std::string> RuvexaRun::MaskedLog() const {
    std::vector<std::string> lines = LogLines();
    for (auto& line : lines) line = testing_support::MaskTicks(line);
    return lines;
}

bool RuvexaRun::LogHas(const std::string& maskedLine) const {
    for (const auto& line : MaskedLog()) {
        if (line == maskedLine) return true;
    }
    return false;
}

Scratch::Scratch() {
    std::string pattern = (fs::temp_directory_path() / "ruvexa-scenario-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
}

Scratch::~Scratch() {
    std::error_code ec;
    fs::remove_all(root_, ec);
}

RuvexaRun RunRuvexa(const std::string& deviceRoot, const std::vector<std::string>& options, const Scratch& scratch) {
    std::string logPath = scratch.Path("ruvexa.log");
    std::vector<std::string> arguments = {"--device-root", deviceRoot, "--headless", "--log", logPath};
    arguments.insert(arguments.end(), options.begin(), options.end());
    // A program that stays up when it should not is switched off after half
    // a minute of real time, so that the test fails instead of hanging.
    if (std::find(options.begin(), options.end(), "--power-off-after") == options.end()) {
        double scale = 1;
        auto given = std::find(options.begin(), options.end(), "--time-scale");
        if (given != options.end() && given + 1 != options.end()) scale = std::stod(*(given + 1));
        arguments.push_back("--power-off-after");
        arguments.push_back(std::to_string(static_cast<long long>(30000 * scale)));
    }
    RuvexaRun run;
    run.status = Spawn(RUVEXA_PATH, arguments, scratch.Path("ruvexa.out"), scratch.Path("ruvexa.err"));
    run.log = fs::exists(logPath) ? ReadHostFile(logPath) : "";
    run.err = ReadHostFile(scratch.Path("ruvexa.err"));
    return run;
}

RuvexaRun RunRuvexaExactly(const std::vector<std::string>& arguments, const Scratch& scratch, std::string* out) {
    RuvexaRun run;
    run.status = Spawn(RUVEXA_PATH, arguments, scratch.Path("ruvexa.out"), scratch.Path("ruvexa.err"));
    run.err = ReadHostFile(scratch.Path("ruvexa.err"));
    if (out) *out = ReadHostFile(scratch.Path("ruvexa.out"));
    return run;
}

int RunPack(const std::vector<std::string>& arguments, const Scratch& scratch) {
    return Spawn(RUVEXA_PACK_PATH, arguments, scratch.Path("pack.out"), scratch.Path("pack.err"));
}

bool AppearsSoon(const testing_support::TempDevice& device, const std::wstring& devicePath) {
    for (int i = 0; i < 1000 && !device.Exists(devicePath); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return device.Exists(devicePath);
}

long TickOf(const std::string& line) {
    static const std::regex tick(R"(at=\[(-?[0-9]+)\])");
    std::smatch match;
    if (!std::regex_search(line, match, tick)) return -1;
    return std::stol(match[1]);
}

bool InOrder(const std::vector<std::string>& lines, const std::vector<std::string>& expected, std::string* missing) {
    size_t at = 0;
    for (const auto& want : expected) {
        while (at < lines.size() && lines[at] != want) ++at;
        if (at == lines.size()) {
            if (missing) *missing = want;
            return false;
        }
        ++at;
    }
    return true;
}

std::string ReadHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteHostFile(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace scenario
