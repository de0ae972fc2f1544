// Progress of long work on standard error: shown only when standard error
// is a terminal and -q was not given. Each step replaces the one before on
// the same line; the line is cleared when the object goes.
#pragma once

#include <cstdint>
#include <string>

namespace pack {

class Progress {
public:
    explicit Progress(bool quiet);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void Step(const std::string& text);
    // The step with how far it is: "TEXT: 120 of 1,500 files". Rewritten
    // about a hundred times over the count, not once per item, so that
    // the terminal does not slow the work down.
    void Count(const std::string& text, uint64_t done, uint64_t total, const std::string& noun);
    void Clear();

private:
    bool shown_;
    bool onScreen_ = false;
    uint64_t lastShown_ = 0;
};

}  // namespace pack
