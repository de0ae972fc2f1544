// The program's debug log, collected while the tool runs the program's own
// code, so that its failure lines can be shown to the user.
#pragma once

#include <string>
#include <vector>

namespace pack {

// Collects the debug log of the program's code while it lives; the log goes
// back to its default afterwards.
class ProgramLog {
public:
    ProgramLog();
    ~ProgramLog();
    ProgramLog(const ProgramLog&) = delete;
    ProgramLog& operator=(const ProgramLog&) = delete;

    // Lines without their "\r\n".
    std::vector<std::string> Lines() const;
    // The last failure line ("!!!") logged, or empty.
    std::string LastFailureLine() const;

private:
    std::string text_;
};

}  // namespace pack
