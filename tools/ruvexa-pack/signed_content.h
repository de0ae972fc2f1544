// What a signature carries besides the security version: the next keys of
// a key rotation (--next-key) and the device models the package is for
// (--model), inside what is signed (signature_format.h), and how the tool
// words them.
#pragma once

#include <string>

#include "arguments.h"
#include "signature_format.h"

namespace pack {

// Reads each --next-key file (a public key file, or several one after
// another as a device's Upgrade.pub) and checks each --model. False with
// the reason when a file is no public key file, when there are more than
// kMaxNextKeys keys or kMaxModels models, or a model is no printable ASCII
// name of 1 to kMaxModelLength characters.
bool LoadSignedContent(const Arguments& arguments, SignedContent* content, std::string* error);

// "; next keys ID, ID; models A, B" for the lines that report a signature,
// each part only when there is something to say.
std::string SignedContentText(const SignedContent& content);

// The next keys' ids and the models, one string each.
std::vector<std::string> NextKeyIds(const SignedContent& content);
std::vector<std::string> ModelNames(const SignedContent& content);

}  // namespace pack
