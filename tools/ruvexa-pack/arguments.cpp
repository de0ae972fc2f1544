// Command line of ruvexa-pack: parsing of "COMMAND [options] [operands]" and
// the usage texts.
#include "arguments.h"

#include <map>

namespace pack {
namespace {

struct CommandShape {
    Command command;
    size_t operands;  // positional arguments the command takes
};

constexpr size_t kAnyNumber = static_cast<size_t>(-1);

const std::map<std::string, CommandShape>& CommandShapes() {
    static const std::map<std::string, CommandShape> shapes = {
        {"build", {Command::Build, 0}},
        {"verify", {Command::Verify, kAnyNumber}},
        {"inspect", {Command::Inspect, 1}},
        {"unpack", {Command::Unpack, 2}},
        {"keygen", {Command::Keygen, 1}},
        {"sign", {Command::Sign, 1}},
    };
    return shapes;
}

// The string an option with a value fills, or null for an option the
// command does not take.
std::string* OptionTarget(Arguments& arguments, const std::string& name) {
    switch (arguments.command) {
    case Command::Build:
        if (name == "--exe") return &arguments.exe;
        if (name == "--images") return &arguments.images;
        if (name == "--fonts") return &arguments.fonts;
        if (name == "-o" || name == "--output") return &arguments.output;
        if (name == "--sign") return &arguments.key;
        return nullptr;
    case Command::Verify:
    case Command::Sign:
        return name == "--key" ? &arguments.key : nullptr;
    case Command::Inspect:
    case Command::Unpack:
    case Command::Keygen:
    case Command::None:
        break;
    }
    return nullptr;
}

ParseResult Refuse(Arguments arguments, std::string error) {
    ParseResult result;
    result.ok = false;
    result.error = std::move(error);
    result.arguments = std::move(arguments);
    return result;
}

}  // namespace

ParseResult ParseArguments(const std::vector<std::string>& words) {
    Arguments arguments;
    if (words.empty()) return Refuse(arguments, "no command given");

    const std::string& first = words[0];
    if (first == "-h" || first == "--help") {
        arguments.help = true;
        return {true, "", arguments};
    }
    if (first == "--version") {
        arguments.version = true;
        return {true, "", arguments};
    }
    auto shape = CommandShapes().find(first);
    if (shape == CommandShapes().end()) {
        if (!first.empty() && first[0] == '-') return Refuse(arguments, "unknown option '" + first + "'");
        return Refuse(arguments, "unknown command '" + first + "'");
    }
    arguments.command = shape->second.command;

    std::vector<std::string> operands;
    bool optionsEnded = false;
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (optionsEnded || word == "-" || word.empty() || word[0] != '-') {
            operands.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        if (word == "-h" || word == "--help") {
            arguments.help = true;
            continue;
        }
        if (word == "-q" || word == "--quiet") {
            arguments.quiet = true;
            continue;
        }
        if (word == "--json" && arguments.command == Command::Inspect) {
            arguments.json = true;
            continue;
        }
        // "--exe=FILE" is accepted as well as "--exe FILE".
        std::string name = word;
        std::string value;
        bool inlineValue = false;
        if (size_t equals = word.find('='); word.rfind("--", 0) == 0 && equals != std::string::npos) {
            name = word.substr(0, equals);
            value = word.substr(equals + 1);
            inlineValue = true;
        }
        std::string* target = OptionTarget(arguments, name);
        if (!target) return Refuse(arguments, "unknown option '" + name + "' for '" + first + "'");
        if (!inlineValue) {
            if (i + 1 >= words.size()) return Refuse(arguments, "option '" + name + "' needs a value");
            value = words[++i];
        }
        if (value.empty()) return Refuse(arguments, "option '" + name + "' needs a non-empty value");
        if (!target->empty()) return Refuse(arguments, "option '" + name + "' given more than once");
        *target = value;
    }
    if (arguments.help) return {true, "", arguments};

    if (shape->second.operands != kAnyNumber && operands.size() > shape->second.operands) {
        return Refuse(arguments, "unexpected argument '" + operands[shape->second.operands] + "'");
    }
    switch (arguments.command) {
    case Command::Build:
        if (arguments.exe.empty()) return Refuse(arguments, "missing required option --exe");
        if (arguments.images.empty()) return Refuse(arguments, "missing required option --images");
        if (arguments.output.empty()) return Refuse(arguments, "missing required option -o");
        break;
    case Command::Verify:
    case Command::Inspect:
        if (operands.empty()) return Refuse(arguments, "missing package FILE");
        arguments.packages = operands;
        break;
    case Command::Sign:
        if (operands.empty()) return Refuse(arguments, "missing package FILE");
        if (arguments.key.empty()) return Refuse(arguments, "missing required option --key");
        arguments.packages = operands;
        break;
    case Command::Keygen:
        if (operands.empty()) return Refuse(arguments, "missing key NAME");
        arguments.keyName = operands[0];
        break;
    case Command::Unpack:
        if (operands.empty()) return Refuse(arguments, "missing package FILE");
        if (operands.size() < 2) return Refuse(arguments, "missing output folder DIR");
        arguments.packages = {operands[0]};
        arguments.folder = operands[1];
        break;
    case Command::None:
        break;
    }
    return {true, "", arguments};
}

std::string UsageText(Command command) {
    switch (command) {
    case Command::Build:
        return "usage: ruvexa-pack build [-q] --exe FILE --images ZIP|DIR [--fonts ZIP|DIR] [--sign NAME.key] -o FILE\n"
               "\n"
               "Writes an upgrade package: the executable, the images archive and the\n"
               "optional fonts archive, with head, tail and CRC-32.\n"
               "  --exe FILE        the new main application executable (not empty)\n"
               "  --images ZIP|DIR  the images zip archive, or a folder to zip\n"
               "  --fonts ZIP|DIR   the fonts zip archive, or a folder to zip (optional)\n"
               "  -o, --output FILE the package to write; the device looks for\n"
               "                    OV3_UPGRADE_*.BIN\n"
               "  --sign NAME.key   also write FILE.SIG, the package's signature by this\n"
               "                    secret key (see ruvexa-pack keygen --help)\n"
               "  -q, --quiet       no progress on standard error\n"
               "A folder is zipped with deflated entries, folder entries, MS-DOS times and\n"
               "attributes, names sorted. Each archive is unpacked in a dry run with the\n"
               "device's own extractor; one the device would reject (Err40, Err50) is refused.\n";
    case Command::Verify:
        return "usage: ruvexa-pack verify [-q] [--key NAME.pub] FILE...\n"
               "\n"
               "Checks each package as the device does: signature, sizes, length,\n"
               "sections and checksum, then unpacks its archives in a dry run with the\n"
               "device's own extractor into a temporary folder. Prints \"ok\", or the\n"
               "device's failure code (Err0F, Err40, Err50, ...) with the reason, naming\n"
               "the entry for an archive; with several files each line starts with the\n"
               "file's name. Exit 0 when every package is sound, else 1.\n"
               "  --key NAME.pub    check as a device that trusts this key: FILE.SIG must\n"
               "                    be a valid signature of FILE by it, or Err0E\n"
               "  -q, --quiet       no progress on standard error\n";
    case Command::Inspect:
        return "usage: ruvexa-pack inspect [--json] FILE\n"
               "\n"
               "Prints the head and tail fields, the section offsets and sizes, the file\n"
               "length and the stored and computed checksums, also for a damaged package,\n"
               "whether FILE.SIG is beside it and which key id it names, and last the\n"
               "verdict. Exit 0 for a sound package, 1 for a damaged one.\n"
               "  --json            the same as one JSON object, for scripts\n";
    case Command::Unpack:
        return "usage: ruvexa-pack unpack [-q] FILE DIR\n"
               "\n"
               "Verifies the package, then writes its sections to DIR as AppExecute.ex,\n"
               "AppImages.zi and (when the package has fonts) AppFonts.zi. DIR is created\n"
               "when missing; files of those names in it are replaced.\n"
               "  -q, --quiet       no progress on standard error\n";
    case Command::Keygen:
        return "usage: ruvexa-pack keygen NAME\n"
               "\n"
               "Makes an Ed25519 key pair for signing packages: NAME.key, the secret key\n"
               "(readable by its owner only; keep it off the devices), and NAME.pub, the\n"
               "public key a device trusts as \\NandFlash\\Merrow\\Upgrade.pub. Existing\n"
               "files are never replaced.\n";
    case Command::Sign:
        return "usage: ruvexa-pack sign --key NAME.key FILE\n"
               "\n"
               "Checks the package as verify does without its dry runs, then writes\n"
               "FILE.SIG beside it: its signature by the secret key NAME.key.\n"
               "  --key NAME.key    the secret key written by ruvexa-pack keygen\n";
    case Command::None:
        break;
    }
    return "usage: ruvexa-pack COMMAND [options]\n"
           "\n"
           "Builds and checks upgrade packages (OV3_UPGRADE_*.BIN).\n"
           "\n"
           "commands:\n"
           "  build --exe FILE --images ZIP|DIR [--fonts ZIP|DIR] [--sign NAME.key] -o FILE\n"
           "                      write a package (and its signature FILE.SIG)\n"
           "  verify [--key NAME.pub] FILE...\n"
           "                      check packages as the device does\n"
           "  inspect FILE        print a package's fields, offsets and checksums\n"
           "  unpack FILE DIR     verify, then write the sections to DIR\n"
           "  keygen NAME         make a signing key pair, NAME.key and NAME.pub\n"
           "  sign --key NAME.key FILE\n"
           "                      write FILE.SIG, the package's signature\n"
           "\n"
           "ruvexa-pack COMMAND --help shows the options of a command; --version the\n"
           "version. Progress goes to standard error when it is a terminal; -q silences it.\n"
           "exit status: 0 success, 1 failure (unreadable file, package rejected or\n"
           "damaged), 2 bad arguments.\n";
}

std::string UsageHint(Command command) {
    for (const auto& [word, shape] : CommandShapes()) {
        if (shape.command == command) return "see ruvexa-pack " + word + " --help\n";
    }
    return "see ruvexa-pack --help\n";
}

}  // namespace pack
