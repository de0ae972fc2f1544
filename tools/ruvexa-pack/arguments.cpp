// Command line of ruvexa-pack on CLI11: each command is a subcommand whose
// options are declared once, with the names, value names and descriptions
// that the usage texts are made of.
#include "arguments.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>

#include "close_names.h"

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
     "device's own extractor; one the device would reject (Err40, Err50) is refused.\n"
     "An existing FILE or FILE.SIG is never replaced without --force: a released\n"
     "package is what deltas are made from and what devices know by its checksum.\n"
     "With --sign, the signature carries --security-version (default 0); below\n"
     "the version an existing FILE.SIG holds it is refused without --allow-lower.\n"},
    {Command::Delta, "delta", "write a delta package against an installed one",
     "Writes a delta package: the package TO as a device that has FROM installed\n"
     "needs it. The archives carry only the files that are new or changed, and\n"
     "a manifest of every file with its size and CRC-32; the executable is a\n"
     "patch against FROM's or the whole new one, whichever is smaller.\n",
     "A device with another version installed refuses the delta (Err80 to Err83);\n"
     "one whose launcher knows no delta packages refuses it at once (Err04).\n"
     "FROM and TO must differ; a delta of 90% of TO's size or more is written with\n"
     "a warning. With --sign, the signature carries the security version of\n"
     "TO.SIG (0 when TO is unsigned) unless --security-version is given; below\n"
     "TO's it is refused without --allow-lower, as a device whose floor is TO's\n"
     "refuses the delta (Err11). An existing FILE or FILE.SIG is never replaced\n"
     "without --force.\n"},
    {Command::Verify, "verify", "check packages as the device does",
     "Checks each package as the device does: magic, sizes, length,\n"
     "sections and checksum, then unpacks its archives in a dry run with the\n"
     "device's own extractor, which writes nothing. Prints \"ok\", or the\n"
     "device's failure code (Err0F, Err40, Err50, ...) with the reason, naming\n"
     "the entry for an archive; with several files each line starts with the\n"
     "file's name. Exit 0 when every package is sound, else 1. With -q a sound\n"
     "package prints nothing; a rejected one is still reported.\n",
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
     "public key a device trusts as \\NandFlash\\Merrow\\Upgrade.pub. NAME.key\n"
     "and NAME.pub name the same pair. Existing files are never replaced.\n",
     ""},
    {Command::Sign, "sign", "write FILE.SIG, the package's signature",
     "Checks the package as verify does without its dry runs, then writes\n"
     "FILE.SIG beside it: its signature by the secret key NAME.key. An existing\n"
     "FILE.SIG is replaced only with --force, and its security version is kept\n"
     "unless --security-version is given; a lower one needs --allow-lower.\n",
     ""},
    {Command::Explain, "explain", "say what a code the device shows means",
     "Tells what a code the device shows (Err0F, Err42, ...) means: at which\n"
     "stage it happens, what it leaves on the device (the installed version,\n"
     "the request, the package) and what to do next. CODE may be written\n"
     "Err42, err42 or 42. Without CODE, or with --all, lists every code the\n"
     "device can show with its one-line meaning. Exit 1 for an unknown code.\n",
     ""},
    {Command::Log, "log", "tell the attempts in a device's Upgrade.log",
     "Reads an upgrade log, the device's \\NandFlash\\Merrow\\Upgrade.log, the copy\n"
     "left beside the package on a USB disk, or an older Upgrade.log.1, and\n"
     "tells each upgrade boot in a few lines: when, from where, which package,\n"
     "the stages it reached, and its result with what the code means.\n"
     "Exit 1 when FILE cannot be read or is no upgrade log.\n",
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

constexpr const char* kQuiet = "print nothing when the command succeeds; warnings\nand errors still go to standard error";
constexpr const char* kForce = "replace an existing FILE or FILE.SIG (a package that\nmay be released)";

// "unknown option --imgaes; did you mean --images?", the suggestion one of
// `known` a few typing slips away, if any.
std::string UnknownOptionText(const std::string& typed, const std::vector<std::string>& known) {
    const std::string close = host::CloseName(typed, known);
    return "unknown option " + typed + (close.empty() ? "" : "; did you mean " + close + "?");
}

// A word CLI11 takes for an option: "--name", "--name=value", "-x..."; not
// "-", "--" or a negative number.
bool LooksLikeOption(const std::string& word) {
    if (word.size() < 2 || word[0] != '-' || word == "--") return false;
    return word[1] == '-' || !std::isdigit(static_cast<unsigned char>(word[1]));
}

// The name a word gives its option: "--name" of "--name=value", "-x" of
// "-xVALUE" or of a run of flags "-xy".
std::string OptionNameIn(const std::string& word) {
    return word[1] == '-' ? word.substr(0, word.find('=')) : word.substr(0, 2);
}

// The long names an app declares ("--images", "--help", ...): the names a
// mistyped option is measured against, whatever options the app gains.
std::vector<std::string> LongNames(const CLI::App* app) {
    std::vector<std::string> names;
    for (const CLI::Option* option : app->get_options()) {
        for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
    }
    return names;
}

// The first word before "--" that names no option the command declares,
// as "unknown option --imgaes; did you mean --images?"; "" when none.
std::string UnknownOption(const CLI::App* app, const std::vector<std::string>& words) {
    for (const std::string& word : words) {
        if (word == "--") break;
        if (!LooksLikeOption(word) || app->get_option_no_throw(OptionNameIn(word))) continue;
        return UnknownOptionText(word.substr(0, word.find('=')), LongNames(app));
    }
    return "";
}

bool AsksForHelp(const CLI::App* app, const std::vector<std::string>& words) {
    const CLI::Option* help = app->get_help_ptr();
    for (const std::string& word : words) {
        if (word == "--") break;
        if (help && LooksLikeOption(word) && help->check_name(word)) return true;
    }
    return false;
}

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
        AddSecurityVersion(build, "(default 0)")->needs(signWith);
        AddSignedContent(build, signWith);
        build->add_option("-o,--output", arguments_.output,
                          "the package to write; the device looks for\nOV3_UPGRADE_*.BIN")
            ->type_name("FILE")
            ->required();
        AddAllowLower(build, "an existing\nFILE.SIG holds")->needs(signWith);
        build->add_flag("--force", arguments_.force, kForce);
        build->add_flag("-q,--quiet", arguments_.quiet, kQuiet);

        CLI::App* delta = Add(Command::Delta);
        delta->add_option("--from", arguments_.from, "the full package installed on the devices")
            ->type_name("OLD.BIN")
            ->required();
        delta->add_option("--to", arguments_.to, "the full package to install")->type_name("NEW.BIN")->required();
        CLI::Option* signDelta =
            delta->add_option("--sign", arguments_.key, "also write FILE.SIG, the delta's signature by this\nsecret key")
                ->type_name("NAME.key");
        AddSecurityVersion(delta, "(default: that of NEW.BIN.SIG; 0 when it is unsigned)")->needs(signDelta);
        AddSignedContent(delta, signDelta);
        delta->add_option("-o,--output", arguments_.output, "the delta package to write")
            ->type_name("FILE")
            ->required();
        AddAllowLower(delta, "NEW.BIN is\nsigned at")->needs(signDelta);
        delta->add_flag("--force", arguments_.force, kForce);
        delta->add_flag("-q,--quiet", arguments_.quiet, kQuiet);

        CLI::App* verify = Add(Command::Verify);
        verify->add_option("--key", arguments_.key,
                           "check as a device that trusts this key: FILE.SIG must\n"
                           "be a valid signature of FILE by it, or Err0E")
            ->type_name("NAME.pub");
        verify->add_flag("-q,--quiet", arguments_.quiet, "print nothing for a sound package; a rejected one is\nstill reported");
        verify->add_option("FILE", arguments_.packages, "package");

        CLI::App* inspect = Add(Command::Inspect);
        inspect->add_flag("--json", arguments_.json, "the same as one JSON object, for scripts");
        inspect->add_option("FILE", arguments_.package, "package");

        Add(Command::List)->add_option("FILE", arguments_.package, "package");

        CLI::App* unpack = Add(Command::Unpack);
        unpack->add_flag("-q,--quiet", arguments_.quiet, kQuiet);
        unpack->add_option("FILE", arguments_.package, "package");
        unpack->add_option("DIR", arguments_.folder, "output folder");

        CLI::App* keygen = Add(Command::Keygen);
        keygen->add_flag("-q,--quiet", arguments_.quiet, kQuiet);
        keygen->add_option("NAME", arguments_.keyName, "key");

        CLI::App* sign = Add(Command::Sign);
        sign->add_option("--key", arguments_.key, "the secret key written by ruvexa-pack keygen")
            ->type_name("NAME.key")
            ->required();
        AddSecurityVersion(sign, "(default: that of an existing FILE.SIG, else 0)");
        AddSignedContent(sign, nullptr);
        AddAllowLower(sign, "an existing\nFILE.SIG holds");
        sign->add_flag("--force", arguments_.force, "replace an existing FILE.SIG");
        sign->add_flag("-q,--quiet", arguments_.quiet, kQuiet);
        sign->add_option("FILE", arguments_.package, "package");

        CLI::App* explain = Add(Command::Explain);
        explain->add_flag("--all", arguments_.all, "list every code with its one-line meaning");
        // CODE may be left out (every code is listed then); CLI11 fills a
        // positional that expects no value only when it takes extra words.
        explain->add_option("CODE", arguments_.code, "code")->expected(0, 1)->allow_extra_args();

        Add(Command::Log)->add_option("FILE", arguments_.logFile, "upgrade log");
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
        // A mistyped option is told first: it is what makes a required one
        // look missing. Help, if asked for, wins over it.
        if (std::string unknown = UnknownOption(app, words); !unknown.empty() && !AsksForHelp(app, words)) {
            return unknown;
        }
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
                return UnknownOptionText(word.substr(0, word.find('=')), LongNames(app));
            }
            return "unexpected argument '" + word + "'";
        }
        for (const CLI::Option* option : app->get_options()) {
            const bool positional = option->get_positional();
            const std::string what = option->get_description() + " " + option->get_name();
            if (positional && option->count() == 0 && option->get_expected_min() > 0) return "missing " + what;
            for (const std::string& value : option->results()) {
                if (!value.empty() || option->get_expected_max() == 0) continue;
                return positional ? what + " must not be empty"
                                  : "option '" + Typed(option, words) + "' needs a non-empty value";
            }
        }
        if (!arguments_.package.empty()) arguments_.packages = {arguments_.package};
        const CLI::Option* securityVersion = app->get_option_no_throw("--security-version");
        if (securityVersion && securityVersion->count() > 0) arguments_.securityVersion = securityVersion_;
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

    CLI::Option* AddSecurityVersion(CLI::App* app, const std::string& byDefault) {
        return app
            ->add_option("--security-version", securityVersion_,
                         "the security version the signature carries, 0 to\n"
                         "4294967295; a device refuses one below its floor\n" + byDefault)
            ->type_name("N");
    }

    // `holder`: whose version the signature may go below.
    CLI::Option* AddAllowLower(CLI::App* app, const std::string& holder) {
        return app->add_flag("--allow-lower", arguments_.allowLower, "sign even below the security version " + holder);
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
    uint32_t securityVersion_ = 0;  // --security-version, when given
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
            const std::string operand = option->get_name() + (option->get_items_expected_max() > 1 ? "..." : "");
            operands += option->get_expected_min() == 0 ? " [" + operand + "]" : " " + operand;
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
        if (first.size() > 1 && first[0] == '-') {
            result.error = UnknownOptionText(first.substr(0, first.find('=')), {"--help", "--version"});
            return result;
        }
        std::vector<std::string> commands;
        for (const CommandText& each : kCommands) commands.push_back(each.name);
        const std::string close = host::CloseName(first, commands);
        result.error = "unknown command '" + first + "'" + (close.empty() ? "" : "; did you mean " + close + "?");
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
               "version. Progress goes to standard error when it is a terminal; -q silences it\n"
               "and the results of a command that succeeds.\n"
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
