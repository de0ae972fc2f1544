// Runs of build/ruvexa and build/ruvexa-pack as subprocesses.
#include "ruvexa_runner.h"

#include <filesystem>
#include <regex>

namespace scenario {

namespace fs = std::filesystem;

std::vector<std::string> RuvexaRun::LogLines() const { return testing_support::SplitLogLines(log); }

std::vector<std::string> RuvexaRun::ErrLines() const {
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = err.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(err.substr(start, end - start));
    }
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

RuvexaRun RunRuvexa(const std::string& deviceRoot, const std::vector<std::string>& options, const Scratch& scratch) {
    std::string logPath = scratch.Path("ruvexa.log");
    const std::vector<std::string> arguments =
        testing_support::Concat({"--device-root", deviceRoot, "--headless", "--log", logPath}, options);
    RuvexaRun run;
    run.status = testing_support::RunAndWait(RUVEXA_PATH, arguments, scratch.Path("ruvexa.out"), scratch.Path("ruvexa.err"));
    run.log = fs::exists(logPath) ? ReadHostFile(logPath) : "";
    run.err = ReadHostFile(scratch.Path("ruvexa.err"));
    return run;
}

RuvexaRun RunRuvexaExactly(const std::vector<std::string>& arguments, const Scratch& scratch, std::string* out) {
    RuvexaRun run;
    run.status = testing_support::RunAndWait(RUVEXA_PATH, arguments, scratch.Path("ruvexa.out"), scratch.Path("ruvexa.err"));
    run.err = ReadHostFile(scratch.Path("ruvexa.err"));
    if (out) *out = ReadHostFile(scratch.Path("ruvexa.out"));
    return run;
}

int RunPack(const std::vector<std::string>& arguments, const Scratch& scratch) {
    return testing_support::RunAndWait(RUVEXA_PACK_PATH, arguments, scratch.Path("pack.out"), scratch.Path("pack.err"));
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

}  // namespace scenario
