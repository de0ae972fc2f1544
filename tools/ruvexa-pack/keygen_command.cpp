// `ruvexa-pack keygen`: a new key pair for signing packages.
#include <cstring>
#include <filesystem>
#include <iostream>

#include "commands.h"
#include "device_names.h"
#include "device_paths.h"
#include "messages.h"
#include "signing_keys.h"

namespace pack {

namespace {

// NAME of NAME.key and NAME.pub: a NAME given with either suffix names the
// same pair, so that "keygen maker.key" writes maker.key, not maker.key.key.
std::string PairName(const std::string& given) {
    for (const char* suffix : {".key", ".pub"}) {
        const size_t length = std::strlen(suffix);
        if (given.size() > length && given.compare(given.size() - length, length, suffix) == 0) {
            return given.substr(0, given.size() - length);
        }
    }
    return given;
}

}  // namespace

int RunKeygen(const Arguments& arguments) {
    QuietResults quiet(arguments.quiet);
    const std::string name = PairName(arguments.keyName);
    // NAME.key and NAME.pub beside each other: a NAME that ends in a folder
    // would make hidden files inside it, named ".key" and ".pub".
    const std::string last = std::filesystem::path(name).filename().string();
    std::error_code ignored;
    if (last.empty() || last == "." || last == ".." || std::filesystem::is_directory(name, ignored)) {
        return Fail("'" + name + "' names a folder: keygen NAME writes NAME.key and NAME.pub, so NAME must end in a "
                    "file name, such as 'keys/maker'");
    }
    std::string keyId, error;
    if (!WriteKeyPair(name, &keyId, &error)) return Fail(error);
    std::cout << "wrote '" << name << ".key' (the secret key: keep it private) and '" << name
              << ".pub' (install it on a device as " << HostText(kTrustedKeyFile) << "); key id " << keyId << "\n";
    return kExitSuccess;
}

}  // namespace pack
