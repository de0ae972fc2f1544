// How ruvexa-pack talks to its user: results on standard output, warnings
// and errors on standard error, each prefixed with the tool's name.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

namespace pack {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;  // a file could not be read or written, a package was rejected or damaged
constexpr int kExitUsage = 2;    // bad arguments

void Warn(const std::string& text);
// Prints the error and returns kExitFailure, for `return Fail(...)`.
int Fail(const std::string& text);
// "'FILE': reason" for a host call that set errno.
std::string FileError(const std::string& path, int errnoValue);
// A Win32 error code from the platform layer in the system's words
// (FormatMessageW), as the host says them ("Permission denied"); "error N"
// for a code without words.
std::string Win32ErrorText(unsigned long win32Error);
// A 32-bit value as "0x" and eight upper-case hexadecimal digits.
std::string Hex(uint32_t value);

// While it lives and `quiet` is set, standard output takes nothing: -q
// leaves a command that succeeds silent, while its warnings and errors
// still go to standard error.
class QuietResults {
public:
    explicit QuietResults(bool quiet);
    ~QuietResults();
    QuietResults(const QuietResults&) = delete;
    QuietResults& operator=(const QuietResults&) = delete;

private:
    bool quiet_;
    std::streambuf* results_ = nullptr;
};

}  // namespace pack
