// Parsing of the host options of build/ruvexa.
#include "host_options.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "ruvexa_host.h"

namespace host {

const char* const kHostUsage =
    "usage: ruvexa --device-root DIR [options]\n"
    "Runs the launcher against DIR, a host folder that stands for the device's file system.\n"
    "\n"
    "  --device-root DIR     the device's file system (required)\n"
    "  --log FILE            the debug log, UTF-8 (default: standard error)\n"
    "  --time-scale N        device time runs N times faster than real time (default 1)\n"
    "  --screen FILE.png     the screen as PNG, rewritten whenever it changes and at exit\n"
    "  --frames DIR          every changed screen as DIR/0001.png, 0002.png, ...\n"
    "  --headless            no window; message boxes and dialogs close as if OK were pressed\n"
    "  --no-reset-driver     the board has no \"AIP1:\" reset driver\n"
    "  --media NAME=MS       root folder NAME stays invisible until MS device-ms after start\n"
    "  --power-cut-after N   the device loses power right before its N-th file-system change\n"
    "  --lose-unflushed      at that power cut, files lose the data written since their last flush\n"
    "  --power-off-after MS  the device is switched off MS device-ms after start\n"
    "  --boots N             after a reset, boot again, up to N boots (default 1)\n"
    "  --fail OP:ERROR:NTH   the NTH call of OP (CreateFileW, WriteFile, ...) fails with Win32\n"
    "                        error ERROR, once; calls count from the first boot; repeatable\n"
    "  --call-counts FILE    after each boot, FILE lists the calls of each such OP so far\n"
    "  --zoom N              the window shows each screen pixel N times as large\n"
    "                        (default 2, or 1 when twice would not fit the display)\n"
    "  --version             print the version and exit\n"
    "\n"
    "Exit status: 0 the program ended by itself; 3 reset through \"AIP1:\"; 4 forced\n"
    "power-state reset; 5 switched off; 6 halted (headless, nothing left to do by\n"
    "itself); 9 power cut; 130/143 ended by SIGINT/SIGTERM; 2 bad options.\n";

namespace {

bool ParseNumber(const std::string& text, unsigned long* value) {
    if (text.empty() || text[0] == '-') return false;
    errno = 0;
    char* end = nullptr;
    *value = std::strtoul(text.c_str(), &end, 10);
    return errno == 0 && end && *end == '\0';
}

bool ParseScale(const std::string& text, double* value) {
    errno = 0;
    char* end = nullptr;
    *value = std::strtod(text.c_str(), &end);
    return errno == 0 && end && *end == '\0' && *value > 0;
}

// OP:ERROR:NTH, with OP a platform function the failure hook knows.
bool ParseFailure(const std::string& text, InjectedFailure* failure) {
    size_t first = text.find(':');
    size_t second = first == std::string::npos ? std::string::npos : text.find(':', first + 1);
    if (second == std::string::npos) return false;
    return OpFromName(text.substr(0, first), &failure->op) &&
           ParseNumber(text.substr(first + 1, second - first - 1), &failure->error) &&
           ParseNumber(text.substr(second + 1), &failure->nth) && failure->nth > 0;
}

}  // namespace

bool ParseHostOptions(int argc, char** argv, HostOptions* options, bool* help, std::string* error) {
    *help = false;
    static const char* const kValueOptions[] = {"--device-root", "--log",   "--time-scale",      "--screen",
                                                 "--frames",      "--media", "--power-cut-after", "--power-off-after",
                                                 "--boots",       "--zoom",  "--fail",            "--call-counts"};
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            *help = true;
            return true;
        }
        if (option == "--version") {
            options->version = true;
            return true;
        }
        if (option == "--headless") {
            options->headless = true;
            continue;
        }
        if (option == "--no-reset-driver") {
            options->resetDriver = false;
            continue;
        }
        if (option == "--lose-unflushed") {
            options->loseUnflushed = true;
            continue;
        }
        if (std::find(std::begin(kValueOptions), std::end(kValueOptions), option) == std::end(kValueOptions)) {
            *error = option.rfind("-", 0) == 0 ? "unknown option " + option : "unknown argument " + option;
            return false;
        }
        // A value never starts with "--": that is the next option, and the
        // value was forgotten.
        if (i + 1 >= argc || std::string(argv[i + 1]).rfind("--", 0) == 0) {
            *error = option + " needs a value";
            if (i + 1 < argc) *error += ", not the option " + std::string(argv[i + 1]);
            return false;
        }
        std::string value = argv[++i];
        unsigned long number = 0;
        if (option == "--device-root") {
            options->deviceRoot = value;
        } else if (option == "--log") {
            options->logFile = value;
        } else if (option == "--time-scale") {
            if (!ParseScale(value, &options->timeScale)) {
                *error = "--time-scale needs a positive number, not " + value;
                return false;
            }
        } else if (option == "--screen") {
            options->screenPng = value;
        } else if (option == "--frames") {
            options->framesFolder = value;
        } else if (option == "--media") {
            size_t equals = value.rfind('=');
            if (equals == std::string::npos || equals == 0 || !ParseNumber(value.substr(equals + 1), &number)) {
                *error = "--media needs NAME=MS, not " + value;
                return false;
            }
            options->media.emplace_back(Utf8ToWide(value.substr(0, equals)), number);
        } else if (option == "--power-cut-after") {
            if (!ParseNumber(value, &number) || number == 0) {
                *error = "--power-cut-after needs a count of 1 or more, not " + value;
                return false;
            }
            options->powerCutAfter = number;
        } else if (option == "--power-off-after") {
            if (!ParseNumber(value, &number)) {
                *error = "--power-off-after needs device milliseconds, not " + value;
                return false;
            }
            options->powerOffAfterMs = number;
            options->powerOff = true;
        } else if (option == "--fail") {
            InjectedFailure failure{};
            if (!ParseFailure(value, &failure)) {
                *error = "--fail needs OP:ERROR:NTH with a known OP and NTH of 1 or more, not " + value;
                return false;
            }
            options->failures.push_back(failure);
        } else if (option == "--call-counts") {
            options->callCountsFile = value;
        } else if (option == "--zoom") {
            if (!ParseNumber(value, &number) || number == 0 || number > kMaximumZoom) {
                *error = "--zoom needs a whole number from 1 to " + std::to_string(kMaximumZoom) + ", not " + value;
                return false;
            }
            options->zoom = static_cast<int>(number);
        } else if (option == "--boots") {
            if (!ParseNumber(value, &number) || number == 0) {
                *error = "--boots needs a count of 1 or more, not " + value;
                return false;
            }
            options->boots = number;
        }
    }
    if (options->deviceRoot.empty()) {
        *error = "--device-root is required";
        return false;
    }
    if (options->loseUnflushed && options->powerCutAfter == 0) {
        *error = "--lose-unflushed needs --power-cut-after";
        return false;
    }
    return true;
}

}  // namespace host
