// Runs of build/ruvexa and build/ruvexa-pack as subprocesses.
#include "ruvexa_runner.h"

#include <algorithm>
#include <filesystem>
#include <regex>

namespace scenario {

namespace fs = std::filesystem;

std::vector<std::string> RuvexaRun::LogLines() const { return testing_support::SplitLogLines(log); }

std::vector<std::string> RuvexaRun::ErrLines() const { return testing_support::SplitLogLines(err, "\n"); }

std::vector<std::string> RuvexaRun::MaskedLog() const { return testing_support::MaskedLogLines(log); }

bool RuvexaRun::LogHas(const std::string& maskedLine) const {
    const std::vector<std::string> lines = MaskedLog();
    return std::find(lines.begin(), lines.end(), maskedLine) != lines.end();
}

RuvexaRun RunRuvexa(const std::string& deviceRoot, const std::vector<std::string>& options, const Scratch& scratch) {
    const std::string logPath = scratch.Path("ruvexa.log");
    RuvexaRun run = RunRuvexaExactly(
        testing_support::Concat({"--device-root", deviceRoot, "--headless", "--log", logPath}, options), scratch);
    run.log = fs::exists(logPath) ? ReadHostFile(logPath) : "";
    return run;
}

RuvexaRun RunRuvexaExactly(const std::vector<std::string>& arguments, const Scratch& scratch, std::string* out) {
    const testing_support::ChildRun child =
        testing_support::RunCaptured(RUVEXA_PATH, arguments, scratch.Path("ruvexa.out"), scratch.Path("ruvexa.err"));
    if (out) *out = child.out;
    return {.status = child.status, .log = "", .err = child.err};
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
