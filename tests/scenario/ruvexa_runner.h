// Running build/ruvexa on a temporary device folder: the host options, the
// exit status, the debug log and what the host layer wrote to stderr.
#pragma once

#include <string>
#include <vector>

#include "test_support.h"

namespace scenario {

struct RuvexaRun {
    int status = -1;  // exit status, -1 when the process did not exit normally
    std::string log;  // the debug log, UTF-8, as written
    std::string err;  // the host layer's own reports

    // The log split after every "\r\n", with the tick values of "at=[...]"
    // and the stages' durations "took=[...]" masked.
    std::vector<std::string> MaskedLog() const;
    std::vector<std::string> LogLines() const;
    // The host layer's reports, one per line, without the "\n".
    std::vector<std::string> ErrLines() const;
    bool LogHas(const std::string& maskedLine) const;
};

// A scratch folder on the host for logs, screens and packages; removed with
// everything in it when the object goes.
class Scratch : public testing_support::TempFolder {
public:
    Scratch() : TempFolder("ruvexa-scenario-") {}
};

// Runs build/ruvexa --device-root `deviceRoot` --headless --log ... followed
// by `options`. A device that stops without --power-off-after ends the run
// with status 6 (halted).
RuvexaRun RunRuvexa(const std::string& deviceRoot, const std::vector<std::string>& options, const Scratch& scratch);

// Runs build/ruvexa with exactly `arguments` (no options of its own); the
// run's standard output goes to `out` when given.
RuvexaRun RunRuvexaExactly(const std::vector<std::string>& arguments, const Scratch& scratch,
                           std::string* out = nullptr);

// Runs build/ruvexa-pack with `arguments`; its exit status.
int RunPack(const std::vector<std::string>& arguments, const Scratch& scratch);

// The tick value of a line's "at=[...]"; -1 when there is none.
long TickOf(const std::string& line);

// Whether `expected` occurs in `lines` in this order, other lines between
// allowed; otherwise the first expected line not found.
bool InOrder(const std::vector<std::string>& lines, const std::vector<std::string>& expected, std::string* missing);

using testing_support::AppearsSoon;
using testing_support::ReadHostFile;
using testing_support::WriteHostFile;

}  // namespace scenario
