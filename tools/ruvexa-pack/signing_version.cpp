// Choosing and guarding the security version of a new signature.
#include "signing_version.h"

#include "host_file.h"
#include "signature_format.h"

namespace pack {

std::optional<uint32_t> SignedSecurityVersion(const std::string& signaturePath) {
    std::string bytes, ignored;
    if (!ReadSmallFile(signaturePath, kVersionedSignatureFileSize + 1, &bytes, &ignored)) return std::nullopt;
    SignatureFile file{};
    if (!DecodeSignatureFile(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), &file)) {
        return std::nullopt;
    }
    return file.security_version;
}

SigningVersion ChooseSigningVersion(const std::optional<uint32_t>& given, const std::optional<uint32_t>& inherited,
                                    const std::string& inheritedOrigin) {
    if (given) return {*given, "given"};
    if (inherited) return {*inherited, inheritedOrigin};
    return {0, "the default"};
}

bool KeepsSecurityVersion(const SigningVersion& chosen, const std::optional<uint32_t>& held,
                          const std::string& holder, bool allowLower, std::string* error) {
    if (!held || chosen.value >= *held || allowLower) return true;
    const std::string value = std::to_string(chosen.value), heldValue = std::to_string(*held);
    *error = "security version " + value + " (" + chosen.origin + ") is below " + heldValue + ", the version " +
             holder + ": a device whose floor is " + heldValue +
             " refuses the package (Err11 Package older than installed); give --security-version " + heldValue +
             ", or --allow-lower to sign at " + value;
    return false;
}

std::string SigningVersionText(const SigningVersion& version) {
    return "security version " + std::to_string(version.value) + " (" + version.origin + ")";
}

}  // namespace pack
