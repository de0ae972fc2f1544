// `ruvexa-pack sign`: the signature of an existing package, written beside
// it once the package has passed the device's checks.
#include <iostream>

#include "commands.h"
#include "device_names.h"
#include "device_path.h"
#include "messages.h"
#include "package_check.h"
#include "released_files.h"
#include "signed_content.h"
#include "signing_keys.h"
#include "signing_version.h"
#include "verdict.h"

namespace pack {

int RunSign(const Arguments& arguments) {
    QuietResults quiet(arguments.quiet);
    const std::string& package = arguments.packages.front();
    const std::string signaturePath = package + HostText(kSignatureSuffix);
    std::string error;
    if (!MayReplace(signaturePath, arguments.force, &error)) return Fail(error);
    SecretKey key;
    if (!LoadSecretKey(arguments.key, &key, &error)) return Fail(error);
    // Signing again keeps the release's version: the devices that installed
    // it hold it as their floor.
    const std::optional<uint32_t> earlier = SignedSecurityVersion(signaturePath);
    const SigningVersion version =
        ChooseSigningVersion(arguments.securityVersion, earlier, "kept from the earlier signature");
    if (!KeepsSecurityVersion(version, earlier, "'" + signaturePath + "' holds", arguments.allowLower, &error)) {
        return Fail(error);
    }
    SignedContent content;
    if (!LoadSignedContent(arguments, &content, &error)) return Fail(error);
    std::wstring devicePath;
    if (!OpenableDevicePath(package, &devicePath, &error)) return Fail(error);
    UseHostRootAsDevice();
    // A signature vouches for the package: a damaged one is not signed.
    CheckResult check = CheckPackage(devicePath);
    if (!check.ok) return Fail("'" + package + "' is not signed: " + RejectionText(check));

    TempFile signature;
    if (!WriteSignature(package, key, version.value, signaturePath, &signature, &error, content) ||
        !signature.RenameTo(signaturePath, &error)) {
        return Fail(error);
    }
    std::cout << "wrote '" << signaturePath << "': key id " << KeyIdText(key.keyId) << ", "
              << SigningVersionText(version) << SignedContentText(content) << "\n";
    return kExitSuccess;
}

}  // namespace pack
