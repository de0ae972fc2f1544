// Parsing of the host options of build/ruvexa, on CLI11: each option is
// defined once, with its value's name and its line of the usage.
#include "host_options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "close_names.h"
#include "ruvexa_host.h"

namespace host {
namespace {

constexpr const char* kUsageHead =
    "usage: ruvexa --device-root DIR [options]\n"
    "Runs the launcher against DIR, a host folder that stands for the device's file system.\n"
    "\n";

constexpr const char* kUsageTail =
    "\n"
    "Exit status: 0 the program ended by itself; 3 reset through \"AIP1:\"; 4 forced\n"
    "power-state reset; 5 switched off; 6 halted (headless, nothing left to do by\n"
    "itself); 9 power cut; 130/143 ended by SIGINT/SIGTERM; 2 bad options.\n";

// The usage's column where the options' descriptions start.
constexpr size_t kDescriptionColumn = 24;

// A value the option does not take; the message says why.
struct BadValue {
    std::string message;
};

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

// A count of 1 or more, or the option's own message.
unsigned long Count(const std::string& option, const std::string& value) {
    unsigned long number = 0;
    if (!ParseNumber(value, &number) || number == 0) {
        throw BadValue{option + " needs a count of 1 or more, not " + value};
    }
    return number;
}

// OP:ERROR:NTH, with OP a function the failure hook knows (in any case) and
// ERROR a number or an ERROR_* name. A bad one is told what is accepted.
InjectedFailure ParseFailure(const std::string& text) {
    const std::string bad = "--fail needs OP:ERROR:NTH with a known OP and NTH of 1 or more, not " + text;
    const std::string knownOps = "; OP is one of " + OpNames();
    const std::string knownErrors = "; ERROR is a number or one of " + ErrorNames();
    const size_t first = text.find(':');
    const size_t second = first == std::string::npos ? std::string::npos : text.find(':', first + 1);
    if (second == std::string::npos) throw BadValue{bad + knownOps + knownErrors};
    InjectedFailure failure{};
    failure.text = text;
    if (!OpFromName(text.substr(0, first), &failure.op)) throw BadValue{bad + knownOps};
    const std::string error = text.substr(first + 1, second - first - 1);
    DWORD named = 0;
    if (ErrorFromName(error, &named)) {
        failure.error = named;
    } else if (!ParseNumber(error, &failure.error)) {
        throw BadValue{bad + knownErrors};
    }
    if (!ParseNumber(text.substr(second + 1), &failure.nth) || failure.nth == 0) throw BadValue{bad};
    return failure;
}

// An option with a value; `take` gets each value given. A value never starts
// with "--": that is the next option, and the value was forgotten.
void AddValueOption(CLI::App& app, const std::string& name, const std::string& valueName, const std::string& help,
                    std::function<void(const std::string&)> take) {
    app.add_option(name, help)->type_name(valueName)->each([name, take](const std::string& value) {
        if (value.rfind("--", 0) == 0) throw BadValue{name + " needs a value, not the option " + value};
        take(value);
    });
}

void DefineOptions(CLI::App& app, HostOptions* options) {
    app.set_help_flag("-h,--help");
    app.allow_extras();
    // Given twice, an option takes its last value, as --media and --fail add each.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    HostOptions& o = *options;
    AddValueOption(app, "--device-root", "DIR", "the device's file system (required)",
                   [&o](const std::string& value) { o.deviceRoot = value; });
    AddValueOption(app, "--log", "FILE", "the debug log, UTF-8 (default: standard error)",
                   [&o](const std::string& value) { o.logFile = value; });
    AddValueOption(app, "--time-scale", "N", "device time runs N times faster than real time (default 1)",
                   [&o](const std::string& value) {
                       if (!ParseScale(value, &o.timeScale)) {
                           throw BadValue{"--time-scale needs a positive number, not " + value};
                       }
                   });
    AddValueOption(app, "--screen", "FILE.png", "the screen as PNG, rewritten whenever it changes and at exit",
                   [&o](const std::string& value) { o.screenPng = value; });
    AddValueOption(app, "--frames", "DIR", "every changed screen as DIR/0001.png, 0002.png, ...",
                   [&o](const std::string& value) { o.framesFolder = value; });
    app.add_flag("--headless", o.headless, "no window; message boxes and dialogs close as if OK were pressed");
    app.add_flag_callback("--no-reset-driver", [&o] { o.resetDriver = false; },
                          "the board has no \"AIP1:\" reset driver");
    AddValueOption(app, "--media", "NAME=MS", "root folder NAME stays invisible until MS device-ms after start",
                   [&o](const std::string& value) {
                       const size_t equals = value.rfind('=');
                       unsigned long ms = 0;
                       if (equals == std::string::npos || equals == 0 || !ParseNumber(value.substr(equals + 1), &ms)) {
                           throw BadValue{"--media needs NAME=MS, not " + value};
                       }
                       o.media.emplace_back(Utf8ToWide(value.substr(0, equals)), ms);
                   });
    AddValueOption(app, "--volume-size", "NAME=BYTES",
                   "root folder NAME is a volume of BYTES capacity: its free space\n"
                   "is what its files leave, and a write past it fails with\n"
                   "ERROR_DISK_FULL; repeatable",
                   [&o](const std::string& value) {
                       const size_t equals = value.rfind('=');
                       const std::string bytes = equals == std::string::npos ? "" : value.substr(equals + 1);
                       errno = 0;
                       char* end = nullptr;
                       const unsigned long long capacity = std::strtoull(bytes.c_str(), &end, 10);
                       if (equals == 0 || bytes.empty() || bytes[0] == '-' || errno != 0 || *end != '\0') {
                           throw BadValue{"--volume-size needs NAME=BYTES, not " + value};
                       }
                       o.volumeSizes.emplace_back(Utf8ToWide(value.substr(0, equals)), capacity);
                   });
    AddValueOption(app, "--power-cut-after", "N", "the device loses power right before its N-th file-system change",
                   [&o](const std::string& value) { o.powerCutAfter = Count("--power-cut-after", value); });
    app.add_flag("--lose-unflushed", o.loseUnflushed,
                 "at that power cut, files lose the data written since their last flush");
    app.add_flag("--sync-flushes", o.syncFlushes, "FlushFileBuffers also syncs the host file to disk");
    AddValueOption(app, "--power-off-after", "MS", "the device is switched off MS device-ms after start",
                   [&o](const std::string& value) {
                       if (!ParseNumber(value, &o.powerOffAfterMs)) {
                           throw BadValue{"--power-off-after needs device milliseconds, not " + value};
                       }
                       o.powerOff = true;
                   });
    AddValueOption(app, "--boots", "N", "after a reset, boot again, up to N boots (default 1)",
                   [&o](const std::string& value) { o.boots = Count("--boots", value); });
    app.add_flag("--switch-on-again", o.switchOnAgain,
                 "after the program ends by itself, the user switches the device\n"
                 "off and on again: with --boots, boot again");
    AddValueOption(app, "--fail", "OP:ERROR:NTH",
                   "the NTH call of OP (CreateFileW, WriteFile, ...) fails with Win32\n"
                   "error ERROR (a number or its ERROR_* name), once; calls count from\n"
                   "the first boot; repeatable",
                   [&o](const std::string& value) { o.failures.push_back(ParseFailure(value)); });
    AddValueOption(app, "--call-counts", "FILE", "after each boot, FILE lists the calls of each such OP so far",
                   [&o](const std::string& value) { o.callCountsFile = value; });
    AddValueOption(app, "--zoom", "N",
                   "the window shows each screen pixel N times as large\n"
                   "(default 2, or 1 when twice would not fit the display)",
                   [&o](const std::string& value) {
                       unsigned long number = 0;
                       if (!ParseNumber(value, &number) || number == 0 || number > kMaximumZoom) {
                           throw BadValue{"--zoom needs a whole number from 1 to " + std::to_string(kMaximumZoom) +
                                          ", not " + value};
                       }
                       o.zoom = static_cast<int>(number);
                   });
    AddValueOption(app, "--oem-info", "TEXT",
                   "the OEM info the device reports, which names its model for\n"
                   "packages signed for models (default MERROW-OV3)",
                   [&o](const std::string& value) { o.oemInfo = Utf8ToWide(value); });
    app.add_flag("--version", o.version, "print the version and exit");
}

// The option an error message of CLI11 begins with ("--log: 1 required ...").
std::string OptionOf(const CLI::Error& error) {
    const std::string text = error.what();
    return text.substr(0, text.find(':'));
}

// A word CLI11 takes for an option: "--name", "--name=value", "-x"; not "-",
// "--" or a negative number.
bool LooksLikeOption(const std::string& word) {
    if (word.size() < 2 || word[0] != '-' || word == "--") return false;
    return word[1] == '-' || !std::isdigit(static_cast<unsigned char>(word[1]));
}

// "unknown option --headles; did you mean --headless?": the option named by
// the first word that no defined option answers to, with the defined one a
// few typing slips away, if any; "" when every option word is known.
std::string UnknownOption(const CLI::App& app, const std::vector<std::string>& words) {
    for (const std::string& word : words) {
        if (word == "--") break;
        if (!LooksLikeOption(word)) continue;
        const std::string name = word[1] == '-' ? word.substr(0, word.find('=')) : word.substr(0, 2);
        if (app.get_option_no_throw(name)) continue;
        std::vector<std::string> known;
        for (const CLI::Option* option : app.get_options()) {
            for (const std::string& longName : option->get_lnames()) known.push_back("--" + longName);
        }
        const std::string typed = word.substr(0, word.find('='));
        const std::string close = CloseName(typed, known);
        return "unknown option " + typed + (close.empty() ? "" : "; did you mean " + close + "?");
    }
    return "";
}

bool AsksForHelp(const CLI::App& app, const std::vector<std::string>& words) {
    for (const std::string& word : words) {
        if (word == "--") break;
        if (LooksLikeOption(word) && app.get_help_ptr()->check_name(word)) return true;
    }
    return false;
}

}  // namespace

std::string HostUsage() {
    CLI::App app;
    HostOptions unused;
    DefineOptions(app, &unused);
    std::string usage = kUsageHead;
    for (const CLI::Option* option : app.get_options()) {
        if (option == app.get_help_ptr()) continue;
        std::string name = option->get_name();
        if (!option->get_type_name().empty()) name += " " + option->get_type_name();
        std::string line = "  " + name;
        line.resize(std::max(line.size() + 2, kDescriptionColumn), ' ');
        for (char c : option->get_description()) {
            line += c;
            if (c == '\n') line += std::string(kDescriptionColumn, ' ');
        }
        usage += line + "\n";
    }
    return usage + kUsageTail;
}

bool ParseHostOptions(int argc, char** argv, HostOptions* options, bool* help, std::string* error) {
    *help = false;
    CLI::App app;
    DefineOptions(app, options);
    // A mistyped option is told first, before a value or option it leaves
    // missing; help, if asked for, wins over it.
    const std::vector<std::string> words(argv + std::min(argc, 1), argv + argc);
    if (std::string unknown = UnknownOption(app, words); !unknown.empty() && !AsksForHelp(app, words)) {
        *error = unknown;
        return false;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        *help = true;
        return true;
    } catch (const CLI::ArgumentMismatch& mismatch) {
        *error = OptionOf(mismatch) + " needs a value";
        return false;
    } catch (const CLI::ParseError& failure) {
        *error = failure.what();
        return false;
    } catch (const BadValue& bad) {
        *error = bad.message;
        return false;
    }
    if (options->version) return true;
    if (const std::vector<std::string> extras = app.remaining(); !extras.empty()) {
        const std::string& extra = extras.front();
        *error = (extra.rfind("-", 0) == 0 ? "unknown option " : "unknown argument ") + extra;
        return false;
    }
    if (options->deviceRoot.empty()) {
        *error = "--device-root is required";
        return false;
    }
    if (options->loseUnflushed && options->powerCutAfter == 0) {
        *error = "--lose-unflushed needs --power-cut-after";
        return false;
    }
    if (options->switchOnAgain && options->boots < 2) {
        *error = "--switch-on-again needs --boots 2 or more";
        return false;
    }
    return true;
}

}  // namespace host
