// `ruvexa-pack sign`: the signature of an existing package, written beside
// it once the package has passed the device's checks.
#include <iostream>

#include "commands.h"
#include "device_names.h"
#include "device_path.h"
#include "messages.h"
#include "package_check.h"
#include "signed_content.h"
#include "signing_keys.h"
#include "verdict.h"

namespace pack {

int RunSign(const Arguments& arguments) {
    const std::string& package = arguments.packages.front();
    std::string error;
    SecretKey key;
    if (!LoadSecretKey(arguments.key, &key, &error)) return Fail(error);
    SignedContent content;
    if (!LoadSignedContent(arguments, &content, &error)) return Fail(error);
    std::wstring devicePath;
    if (!OpenableDevicePath(package, &devicePath, &error)) return Fail(error);
    UseHostRootAsDevice();
    // A signature vouches for the package: a damaged one is not signed.
    CheckResult check = CheckPackage(devicePath);
    if (!check.ok) return Fail("'" + package + "' is not signed: " + RejectionText(check));

    const std::string signaturePath = package + HostText(kSignatureSuffix);
    TempFile signature;
    if (!WriteSignature(package, key, arguments.securityVersion, signaturePath, &signature, &error, content) ||
        !signature.RenameTo(signaturePath, &error)) {
        return Fail(error);
    }
    std::cout << "wrote '" << signaturePath << "': key id " << KeyIdText(key.keyId) << ", security version "
              << arguments.securityVersion << SignedContentText(content) << "\n";
    return kExitSuccess;
}

}  // namespace pack
