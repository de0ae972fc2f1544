// Command line of ruvexa-pack: the commands, their options, and the usage
// texts shown by --help and after a bad argument.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pack {

enum class Command { None, Build, Delta, Verify, Inspect, List, Unpack, Keygen, Sign, Explain, Log };

struct Arguments {
    Command command = Command::None;
    bool help = false;
    bool version = false;
    bool quiet = false;  // -q: nothing on standard output or progress when the command succeeds
    // build, delta and sign: replace an existing package or signature file
    bool force = false;
    // build, delta and sign: sign below the security version a signature
    // already holds (or the --to package's, for a delta)
    bool allowLower = false;
    // build
    std::string exe;
    std::string images;
    std::string fonts;  // empty: the package has no fonts
    std::string output;
    // delta: the package the device has installed, and the one to install
    std::string from;
    std::string to;
    // build and delta --sign, sign --key: the secret key file; verify --key: the
    // public key file the device would trust
    std::string key;
    // build --sign, delta --sign and sign: the security version the signature
    // carries, when given; otherwise each command chooses it (signing_version.h)
    std::optional<uint32_t> securityVersion;
    // build --sign, delta --sign and sign: the public key files of the keys the
    // devices trust once the package is installed, and the models it is for
    std::vector<std::string> nextKeys;
    std::vector<std::string> models;
    std::string keyName;  // keygen: NAME of NAME.key and NAME.pub
    // verify (one or more); inspect, list, unpack and sign (one)
    std::vector<std::string> packages;
    std::string package;  // the one, as parsed; also packages.front()
    std::string folder;  // unpack only
    bool json = false;   // inspect --json
    std::string code;    // explain: the code to explain; empty: every code
    bool all = false;    // explain --all: every code, also with a code given
    std::string logFile;  // log: the upgrade log to tell
};

struct ParseResult {
    bool ok = false;
    std::string error;  // why the command line was refused
    Arguments arguments;
};

// Parses the arguments after the program name.
ParseResult ParseArguments(const std::vector<std::string>& words);

// The overall usage for Command::None, else the usage of that command.
std::string UsageText(Command command);
// After a usage error: where the whole usage is, "see ruvexa-pack COMMAND --help".
std::string UsageHint(Command command);

}  // namespace pack
