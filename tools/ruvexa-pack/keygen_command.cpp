// `ruvexa-pack keygen`: a new key pair for signing packages.
#include <iostream>

#include "commands.h"
#include "device_names.h"
#include "extraction_constants.h"
#include "messages.h"
#include "signing_keys.h"

namespace pack {

int RunKeygen(const Arguments& arguments) {
    std::string keyId, error;
    if (!WriteKeyPair(arguments.keyName, &keyId, &error)) return Fail(error);
    std::cout << "wrote '" << arguments.keyName << ".key' (the secret key: keep it private) and '" << arguments.keyName
              << ".pub' (install it on a device as " << HostText(kTrustedKeyFile) << "); key id " << keyId << "\n";
    return kExitSuccess;
}

}  // namespace pack
