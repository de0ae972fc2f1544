// Progress of long work on standard error: shown only when standard error
// is a terminal and -q was not given. Each step replaces the one before on
// the same line; the line is cleared when the object goes.
#pragma once

#include <string>

namespace pack {

class Progress {
public:
    explicit Progress(bool quiet);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void Step(const std::string& text);
    void Clear();

private:
    bool shown_;
    bool onScreen_ = false;
};

}  // namespace pack
