// Progress lines on a terminal's standard error.
#include "progress.h"

#include <unistd.h>

#include <cstdio>

namespace pack {

Progress::Progress(bool quiet) : shown_(!quiet && isatty(STDERR_FILENO)) {}

Progress::~Progress() { Clear(); }

void Progress::Step(const std::string& text) {
    if (!shown_) return;
    // Carriage return and "erase to the end of the line": one line, rewritten.
    std::fprintf(stderr, "\r\033[Kruvexa-pack: %s...", text.c_str());
    std::fflush(stderr);
    onScreen_ = true;
}

void Progress::Clear() {
    if (!onScreen_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    onScreen_ = false;
}

}  // namespace pack
