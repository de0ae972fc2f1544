// The capture of the program's debug log while the tool runs its code.
#include "program_log.h"

#include "ruvexa_host.h"

namespace pack {

// The tool shows the device's lines itself; the host's warning that the
// device may cut a long one is no news to its user.
ProgramLog::ProgramLog() {
    host::SetLogSink([this](std::string_view utf8) { text_.append(utf8); });
    host::WarnOfLongDebugTexts(false);
}

ProgramLog::~ProgramLog() {
    host::SetLogSink({});
    host::WarnOfLongDebugTexts(true);
}

std::vector<std::string> ProgramLog::Lines() const {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text_.size()) {
        size_t end = text_.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text_.substr(start));
            break;
        }
        lines.push_back(text_.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string ProgramLog::LastFailureLine() const {
    std::vector<std::string> lines = Lines();
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        if (line->find("!!!") != std::string::npos) return *line;
    }
    return {};
}

}  // namespace pack
