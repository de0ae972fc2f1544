// Progress lines on a terminal's standard error.
#include "progress.h"

#include <unistd.h>

#include <cstdio>

#include "counts.h"

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

void Progress::Count(const std::string& text, uint64_t done, uint64_t total, const std::string& noun) {
    if (!shown_) return;
    const uint64_t stride = total / 100 + 1;
    // A smaller count than the last one shown starts a new series.
    const bool due = done <= 1 || done == total || done < lastShown_ || done - lastShown_ >= stride;
    if (!due) return;
    lastShown_ = done;
    Step(text + ": " + GroupedNumber(done) + " of " + GroupedNumber(total) + " " + Noun(total, noun));
}

void Progress::Clear() {
    if (!onScreen_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    onScreen_ = false;
}

}  // namespace pack
