// The security version a signature is made at. A device refuses a package
// signed below its floor (Err11) and deletes the download, so a version is
// never lowered by accident: each command says where its version came from,
// and one below what a signature already holds needs --allow-lower.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace pack {

// The security version in the signature file at `signaturePath`, read with
// the device's own decoder; none when there is no file or it is no signature
// file (the first format means 0).
std::optional<uint32_t> SignedSecurityVersion(const std::string& signaturePath);

struct SigningVersion {
    uint32_t value = 0;
    std::string origin;  // printed after the version: "given", "kept from the earlier signature", ...
};

// The given version, else `inherited` with its origin, else the default 0.
SigningVersion ChooseSigningVersion(const std::optional<uint32_t>& given, const std::optional<uint32_t>& inherited,
                                    const std::string& inheritedOrigin);

// Refuses `chosen` below `held`, a version a signature already carries
// (`holder` says whose, such as "'X.SIG' holds"), unless `allowLower`.
bool KeepsSecurityVersion(const SigningVersion& chosen, const std::optional<uint32_t>& held,
                          const std::string& holder, bool allowLower, std::string* error);

// "security version N (origin)", as build, delta and sign print it.
std::string SigningVersionText(const SigningVersion& version);

}  // namespace pack
