// The options of build/ruvexa: the host layer's stand-ins for the device.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ruvexa_host.h"

namespace host {

// One --fail OP:ERROR:NTH, and its text as given.
struct InjectedFailure {
    Op op;
    unsigned long error;
    unsigned long nth;
    std::string text;
};

struct HostOptions {
    std::string deviceRoot;
    std::string logFile;  // empty: standard error
    double timeScale = 1.0;
    std::string screenPng;
    std::string framesFolder;
    bool headless = false;
    bool resetDriver = true;
    std::vector<std::pair<std::wstring, unsigned long>> media;  // volume, device ms
    std::vector<std::pair<std::wstring, unsigned long long>> volumeSizes;  // volume, capacity in bytes
    unsigned long powerCutAfter = 0;                              // 0: never
    bool loseUnflushed = false;
    bool syncFlushes = false;
    unsigned long powerOffAfterMs = 0;
    bool powerOff = false;
    unsigned long boots = 1;
    bool switchOnAgain = false;  // a boot that ends by itself is followed by the next
    std::vector<InjectedFailure> failures;
    std::string callCountsFile;  // empty: none
    int zoom = 0;          // 0: 2, or 1 when twice the screen would not fit the display
    bool version = false;  // --version: print it and exit
    std::wstring oemInfo = kDefaultOemInfo;  // --oem-info: SystemParametersInfoW's SPI_GETOEMINFO
};

constexpr unsigned long kMaximumZoom = 8;

// Parses argv. On a usage error returns false with the reason in `error`;
// `help` is set for --help.
bool ParseHostOptions(int argc, char** argv, HostOptions* options, bool* help, std::string* error);

// The usage, printed by --help; after a bad option, one line why and the
// hint "see ruvexa --help".
std::string HostUsage();

}  // namespace host
