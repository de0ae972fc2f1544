// libsodium for the Windows build under Wine. Debian has no mingw build of
// it, and no Wine scenario holds a trusted key, so signatures are compared
// on the host only. Here the library reports that it cannot start, which
// refuses the package on a device that does hold a key; nothing the program
// would call after that is reachable.
#include <sodium.h>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void Unreachable(const char* function) {
    std::fprintf(stderr, "sodium_absent: %s called although the library never started\n", function);
    std::abort();
}

}  // namespace

extern "C" {

int sodium_init(void) { return -1; }

int crypto_sign_init(crypto_sign_state*) { Unreachable("crypto_sign_init"); }

int crypto_sign_update(crypto_sign_state*, const unsigned char*, unsigned long long) {
    Unreachable("crypto_sign_update");
}

int crypto_sign_final_verify(crypto_sign_state*, const unsigned char*, const unsigned char*) {
    Unreachable("crypto_sign_final_verify");
}

int crypto_generichash(unsigned char*, size_t, const unsigned char*, unsigned long long, const unsigned char*,
                       size_t) {
    Unreachable("crypto_generichash");
}

}  // extern "C"
