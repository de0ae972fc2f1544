// Command line of ruvexa-pack on CLI11: each command is a subcommand whose
// options are declared once, with the names, value names and descriptions
// that the usage texts are made of.
#include "arguments.h"

#include <CLI/CLI.hpp>

#include <algorithm>

namespace pack {
namespace {

// A command's texts around its generated option list.
struct CommandText {
    Command command;
    const char* name;
    const char* summary;   // one line for the overall usage
    const char* about;     // the paragraph after the usage line
    const char* notes;     // after the option list
};

const CommandText kCommands[] = {
    {Command::Build, "build", "write a package (and its signature FILE.SIG)",
     "Writes an upgrade package: the executable, the images archive and the\n"
     "optional fonts archive, with head, tail and CRC-32.\n",
     "A folder is zipped with deflated entries, folder entries, MS-DOS times and\n"
     "attributes, names sorted. Each archive is unpacked in a dry run with the\n"
     "device's own extractor; one the device would reject (Err40, Err50) is refused.\n"},
    {Command::Delta, "delta", "write a delta package against an installed one",
     "Writes a delta package: the package TO as a device that has FROM installed\n"
     "needs it. The archives carry only the files that are new or changed, and\n"
     "a manifest of every file with its size and CRC-32; the executable is a\n"
     "patch against FROM's or the whole new one, whichever is smaller.\n",
     "A device with another version installed refuses the delta (Err80 to Err83);\n"
     "one whose launcher knows no delta packages refuses it at once (Err04).\n"},
    {Command::Verify, "verify", "check packages as the device does",
     "Checks each package as the device does: magic, sizes, length,\n"
     "sections and checksum, then unpacks its archives in a dry run with the\n"
     "device's own extractor into a temporary folder. Prints \"ok\", or the\n"
     "device's failure code (Err0F, Err40, Err50, ...) with the reason, naming\n"
     "the entry for an archive; with several files each line starts with the\n"
     "file's name. Exit 0 when every package is sound, else 1.\n",
     ""},
    {Command::Inspect, "inspect", "print a package's fields, offsets and checksums",
     "Prints the head and tail fields, the section offsets and sizes, the file\n"
     "length and the stored and computed checksums, also for a damaged package,\n"
     "whether FILE.SIG is beside it and which key id it names, and last the\n"
     "verdict, with the code the device would show for a damaged package.\n"
     "Exit 0 for a sound package, 1 for a damaged one.\n",
     ""},
    {Command::List, "list", "print what the package installs on the device",
     "Checks the package as the device does without its dry runs, then prints\n"
     "what installing it puts on the device, with sizes: the executable, and\n"
     "every entry of the images and fonts archives under the folder it goes to.\n",
     ""},
    {Command::Unpack, "unpack", "verify, then write the sections to DIR",
     "Verifies the package, then writes its sections to DIR as AppExecute.ex,\n"
     "AppImages.zi and (when the package has fonts) AppFonts.zi. DIR is created\n"
     "when missing; files of those names in it are replaced.\n",
     ""},
    {Command::Keygen, "keygen", "make a signing key pair, NAME.key and NAME.pub",
     "Makes an Ed25519 key pair for signing packages: NAME.key, the secret key\n"
     "(readable by its owner only; keep it off the devices), and NAME.pub, the\n"
     "public key a device trusts as \\NandFlash\\Merrow\\Upgrade.pub. Existing\n"
     "files are never replaced.\n",
     ""},
    {Command::Sign, "sign", "write FILE.SIG, the package's signature",
     "Checks the package as verify does without its dry runs, then writes\n"
     "FILE.SIG beside it: its signature by the secret key NAME.key.\n",
     ""},
};

const CommandText* TextOf(Command command) {
    for (const CommandText& text : kCommands) {
        if (text.command == command) return &text;
    }
    return nullptr;
}

const CommandText* TextNamed(const std::string& name) {
    for (const CommandText& text : kCommands) {
        if (name == text.name) return &text;
    }
    return nullptr;
}

// "--exe FILE", "-o, --output FILE", "[-q]" and so on, from the declaration.
std::string Shown(const CLI::Option* option, bool allNames, bool withValue = true) {
    std::string names;
    for (const std::string& name : option->get_snames()) names += (names.empty() ? "-" : ", -") + name;
    if (allNames || names.empty()) {
        for (const std::string& name : option->get_lnames()) names += (names.empty() ? "--" : ", --") + name;
    }
    const std::string value = option->get_type_name();
    return !withValue || value.empty() || option->get_expected_max() == 0 ? names : names + " " + value;
}

constexpr const char* kQuiet = "no progress on standard error";

// The commands with their options, bound to one Arguments. A positional's
// description says what it is ("package"), for "missing package FILE".
class CommandLine {
public:
    CommandLine() {
        CLI::App* build = Add(Command::Build);
        build->add_option("--exe", arguments_.exe, "the new main application executable (not empty)")
            ->type_name("FILE")
            ->required();
        build->add_option("--images", arguments_.images, "the images zip archive, or a folder to zip")
            ->type_name("ZIP|DIR")
            ->required();
        build->add_option("--fonts", arguments_.fonts, "the fonts zip archive, or a folder to zip (optional)")
            ->type_name("ZIP|DIR");
        CLI::Option* signWith = build->add_option("--sign", arguments_.key,
                                                  "also write FILE.SIG, the package's signature by this\n"
                                                  "secret key (see ruvexa-pack keygen --help)")
                                    ->type_name("NAME.key");
        AddSecurityVersion(build)->needs(signWith);
        AddSignedContent(build, signWith);
        build->add_option("-o,--output", arguments_.output,
                          "the package to write; the device looks for\nOV3_UPGRADE_*.BIN")
            ->type_name("FILE")
            ->required();
        build->add_flag("-q,--quiet", arguments_.quiet, kQuiet);

        CLI::App* delta = Add(Command::Delta);
        delta->add_option("--from", arguments_.from, "the full package installed on the devices")
            ->type_name("OLD.BIN")
            ->required();
        delta->add_option("--to", arguments_.to, "the full package to install")->type_name("NEW.BIN")->required();
        CLI::Option* signDelta =
            delta->add_option("--sign", arguments_.key, "also write FILE.SIG, the delta's signature by this\nsecret key")
                ->type_name("NAME.key");
        AddSecurityVersion(delta)->needs(signDelta);
        AddSignedContent(delta, signDelta);
        delta->add_option("-o,--output", arguments_.output, "the delta package to write")
            ->type_name("FILE")
            ->required();
        delta->add_flag("-q,--quiet", arguments_.quiet, kQuiet);

        CLI::App* verify = Add(Command::Verify);
        verify->add_option("--key", arguments_.key,
                           "check as a device that trusts this key: FILE.SIG must\n"
                           "be a valid signature of FILE by it, or Err0E")
            ->type_name("NAME.pub");
        verify->add_flag("-q,--quiet", arguments_.quiet, kQuiet);
        verify->add_option("FILE", arguments_.packages, "package");

        CLI::App* inspect = Add(Command::Inspect);
        inspect->add_flag("--json", arguments_.json, "the same as one JSON object, for scripts");
        inspect->add_option("FILE", arguments_.package, "package");

        Add(Command::List)->add_option("FILE", arguments_.package, "package");

        CLI::App* unpack = Add(Command::Unpack);
        unpack->add_flag("-q,--quiet", arguments_.quiet, kQuiet);
        unpack->add_option("FILE", arguments_.package, "package");
        unpack->add_option("DIR", arguments_.folder, "output folder");

        Add(Command::Keygen)->add_option("NAME", arguments_.keyName, "key");

        CLI::App* sign = Add(Command::Sign);
        sign->add_option("--key", arguments_.key, "the secret key written by ruvexa-pack keygen")
            ->type_name("NAME.key")
            ->required();
        AddSecurityVersion(sign);
        AddSignedContent(sign, nullptr);
        sign->add_option("FILE", arguments_.package, "package");
    }

    CLI::App* Of(Command command) const {
        for (const auto& [each, app] : commands_) {
            if (each == command) return app;
        }
        return nullptr;
    }

    // Parses the words after the command's name; empty, or why not.
    std::string Parse(Command command, const std::vector<std::string>& words) {
        arguments_.command = command;
        CLI::App* app = Of(command);
        // CLI11 would take the next word as the value of "--exe=".
        for (const std::string& word : words) {
            if (word == "--") break;
            if (word.size() > 3 && word.rfind("--", 0) == 0 && word.back() == '=' && word.find('=') == word.size() - 1) {
                return "option '" + word.substr(0, word.size() - 1) + "' needs a non-empty value";
            }
        }
        std::vector<std::string> reversed(words.rbegin(), words.rend());
        try {
            app->parse(reversed);
        } catch (const CLI::CallForHelp&) {
            arguments_.help = true;
            return "";
        } catch (const CLI::RequiredError& error) {
            const CLI::Option* option = OptionNamed(app, error.what());
            return "missing required option " + (option ? Shown(option, false, false) : std::string(error.what()));
        } catch (const CLI::ArgumentMismatch& error) {
            const CLI::Option* option = OptionNamed(app, error.what());
            if (option && option->count() > 1) return "option '" + Typed(option, words) + "' given more than once";
            return "option '" + (option ? Typed(option, words) : std::string(error.what())) + "' needs a value";
        } catch (const CLI::ConversionError&) {
            // The one number the commands take.
            return "option '--security-version' needs a whole number from 0 to 4294967295";
        } catch (const CLI::ParseError& error) {
            return error.what();
        }
        for (const std::string& word : app->remaining()) {
            if (word == "--") continue;
            if (word.size() > 1 && word[0] == '-') {
                return "unknown option '" + word.substr(0, word.find('=')) + "' for '" + app->get_name() + "'";
            }
            return "unexpected argument '" + word + "'";
        }
        for (const CLI::Option* option : app->get_options()) {
            const bool positional = option->get_positional();
            const std::string what = option->get_description() + " " + option->get_name();
            if (positional && option->count() == 0) return "missing " + what;
            for (const std::string& value : option->results()) {
                if (!value.empty() || option->get_expected_max() == 0) continue;
                return positional ? what + " must not be empty"
                                  : "option '" + Typed(option, words) + "' needs a non-empty value";
            }
        }
        if (!arguments_.package.empty()) arguments_.packages = {arguments_.package};
        return "";
    }

    const Arguments& Parsed() const { return arguments_; }

private:
    CLI::App* Add(Command command) {
        const CommandText* text = TextOf(command);
        CLI::App* app = app_.add_subcommand(text->name, text->summary);
        app->allow_extras();
        app->positionals_at_end(false);
        commands_.emplace_back(command, app);
        return app;
    }

    CLI::Option* AddSecurityVersion(CLI::App* app) {
        return app
            ->add_option("--security-version", arguments_.securityVersion,
                         "the security version the signature carries, 0 to\n"
                         "4294967295; a device refuses one below its floor (default 0)")
            ->type_name("N");
    }

    // --next-key and --model, each repeatable, one value per use; with
    // `signWith`, only beside it.
    void AddSignedContent(CLI::App* app, CLI::Option* signWith) {
        CLI::Option* nextKey = app->add_option("--next-key", arguments_.nextKeys,
                                               "rotate keys: once they install the package, devices\n"
                                               "trust only the --next-key keys (repeatable)")
                                   ->type_name("NAME.pub")
                                   ->allow_extra_args(false);
        CLI::Option* model = app->add_option("--model", arguments_.models,
                                             "the package is for devices whose OEM info is NAME\n"
                                             "(repeatable; ASCII case does not count; default: any)")
                                 ->type_name("NAME")
                                 ->allow_extra_args(false);
        if (signWith) {
            nextKey->needs(signWith);
            model->needs(signWith);
        }
    }

    // The option a CLI11 message begins with ("--exe is required",
    // "--output: 1 required TEXT missing").
    static const CLI::Option* OptionNamed(const CLI::App* app, const std::string& message) {
        for (const CLI::Option* option : app->get_options()) {
            const std::string name = option->get_name();
            if (message.compare(0, name.size(), name) == 0) return option;
        }
        return nullptr;
    }

    // The name of the option as the user typed it.
    static std::string Typed(const CLI::Option* option, const std::vector<std::string>& words) {
        for (const std::string& word : words) {
            const std::string name = word.substr(0, word.find('='));
            if (name.size() > 1 && name[0] == '-' && option->check_name(name)) return name;
        }
        return option->get_name(false, true);
    }

    CLI::App app_{"ruvexa-pack"};
    std::vector<std::pair<Command, CLI::App*>> commands_;
    Arguments arguments_;
};

std::string Padded(std::string text, size_t width) {
    text.resize(std::max(width, text.size() + 1), ' ');
    return text;
}

std::string Synopsis(const CLI::App* app) {
    std::string flags, options, operands;
    for (const CLI::Option* option : app->get_options()) {
        if (option->get_name() == "--help") continue;
        if (option->get_positional()) {
            operands += " " + option->get_name() + (option->get_items_expected_max() > 1 ? "..." : "");
        } else if (option->get_expected_max() == 0) {
            flags += " [" + Shown(option, false) + "]";
        } else {
            const std::string shown = Shown(option, false);
            options += option->get_required() ? " " + shown : " [" + shown + "]";
        }
    }
    return flags + options + operands;
}

}  // namespace

ParseResult ParseArguments(const std::vector<std::string>& words) {
    ParseResult result;
    if (words.empty()) {
        result.error = "no command given";
        return result;
    }
    const std::string& first = words[0];
    if (first == "-h" || first == "--help" || first == "--version") {
        result.ok = true;
        (first == "--version" ? result.arguments.version : result.arguments.help) = true;
        return result;
    }
    const CommandText* text = TextNamed(first);
    if (!text) {
        result.error = (!first.empty() && first[0] == '-' ? "unknown option '" : "unknown command '") + first + "'";
        return result;
    }
    CommandLine commandLine;
    result.error = commandLine.Parse(text->command, std::vector<std::string>(words.begin() + 1, words.end()));
    result.arguments = commandLine.Parsed();
    result.ok = result.error.empty();
    return result;
}

std::string UsageText(Command command) {
    CommandLine commandLine;
    const CommandText* text = TextOf(command);
    if (!text) {
        std::string usage =
            "usage: ruvexa-pack COMMAND [options]\n"
            "\n"
            "Builds and checks upgrade packages (OV3_UPGRADE_*.BIN).\n"
            "\n"
            "commands:\n";
        for (const CommandText& each : kCommands) {
            const std::string line = "  " + std::string(each.name) + Synopsis(commandLine.Of(each.command));
            usage += line.size() < 22 ? Padded(line, 22) : line + "\n" + std::string(22, ' ');
            usage += std::string(each.summary) + "\n";
        }
        return usage +
               "\n"
               "ruvexa-pack COMMAND --help shows the options of a command; --version the\n"
               "version. Progress goes to standard error when it is a terminal; -q silences it.\n"
               "exit status: 0 success, 1 failure (unreadable file, package rejected or\n"
               "damaged), 2 bad arguments.\n";
    }
    const CLI::App* app = commandLine.Of(command);
    std::string usage = "usage: ruvexa-pack " + std::string(text->name) + Synopsis(app) + "\n\n" + text->about;
    for (const CLI::Option* option : app->get_options()) {
        if (option->get_positional() || option->get_name() == "--help") continue;
        std::string description = option->get_description();
        for (size_t at = description.find('\n'); at != std::string::npos; at = description.find('\n', at + 1)) {
            description.insert(at + 1, std::string(20, ' '));
        }
        usage += Padded("  " + Shown(option, true), 20) + description + "\n";
    }
    return usage + text->notes;
}

std::string UsageHint(Command command) {
    const CommandText* text = TextOf(command);
    return text ? "see ruvexa-pack " + std::string(text->name) + " --help\n" : "see ruvexa-pack --help\n";
}

}  // namespace pack
