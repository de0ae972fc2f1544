// ruvexa-pack: builds and checks upgrade packages for the device. The entry
// point only parses the command line and hands over to one command.
#include <sodium.h>

#include <iostream>
#include <string>
#include <vector>

#include "arguments.h"
#include "commands.h"
#include "messages.h"
#include "temp_registry.h"

int main(int argc, char** argv) {
    using namespace pack;
    std::vector<std::string> words(argv + 1, argv + argc);
    ParseResult parsed = ParseArguments(words);
    if (!parsed.ok) {
        std::cerr << "ruvexa-pack: " << parsed.error << "\n" << UsageHint(parsed.arguments.command);
        return kExitUsage;
    }
    const Arguments& arguments = parsed.arguments;
    if (arguments.help) {
        std::cout << UsageText(arguments.command);
        return kExitSuccess;
    }
    if (arguments.version) {
        std::cout << "ruvexa-pack " << RUVEXA_VERSION << "\n";
        return kExitSuccess;
    }
    RemoveTemporariesOnInterrupt();
    if (sodium_init() < 0) return Fail("the signature library (libsodium) cannot start");
    switch (arguments.command) {
    case Command::Build:
        return RunBuild(arguments);
    case Command::Delta:
        return RunDelta(arguments);
    case Command::Verify:
        return RunVerify(arguments);
    case Command::Inspect:
        return RunInspect(arguments);
    case Command::List:
        return RunList(arguments);
    case Command::Unpack:
        return RunUnpack(arguments);
    case Command::Keygen:
        return RunKeygen(arguments);
    case Command::Sign:
        return RunSign(arguments);
    case Command::Explain:
        return RunExplain(arguments);
    case Command::Log:
        return RunLog(arguments);
    case Command::None:
        break;
    }
    std::cerr << UsageText(Command::None);
    return kExitUsage;
}
