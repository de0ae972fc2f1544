// `ruvexa-pack keygen`: a new key pair for signing packages.
#include <filesystem>
#include <iostream>

#include "commands.h"
#include "device_names.h"
#include "device_paths.h"
#include "messages.h"
#include "signing_keys.h"

namespace pack {

int RunKeygen(const Arguments& arguments) {
    const std::string& name = arguments.keyName;
    // NAME.key and NAME.pub beside each other: a NAME that ends in a folder
    // would make hidden files inside it, named ".key" and ".pub".
    const std::string last = std::filesystem::path(name).filename().string();
    std::error_code ignored;
    if (last.empty() || last == "." || last == ".." || std::filesystem::is_directory(name, ignored)) {
        return Fail("'" + name + "' names a folder: keygen NAME writes NAME.key and NAME.pub, so NAME must end in a "
                    "file name, such as 'keys/maker'");
    }
    std::string keyId, error;
    if (!WriteKeyPair(arguments.keyName, &keyId, &error)) return Fail(error);
    std::cout << "wrote '" << arguments.keyName << ".key' (the secret key: keep it private) and '" << arguments.keyName
              << ".pub' (install it on a device as " << HostText(kTrustedKeyFile) << "); key id " << keyId << "\n";
    return kExitSuccess;
}

}  // namespace pack
