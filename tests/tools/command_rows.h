// Command rows: a release engineer's session in a scratch folder, one row
// per behaviour. A row names the shell lines that prepare the folder, the
// command line under test, and what must hold afterwards: its exit status,
// the files there, and words in what it printed. Every line runs with
// `sh -c` in the folder, with ruvexa-pack and ruvexa on PATH.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "pack_runner.h"

namespace pack_test {

struct CommandRow {
    std::string name;                 // the test's name: letters, digits and '_'
    std::vector<std::string> before;  // shell lines that must succeed, in order
    std::string command;              // the shell line under test
    int status = 0;                   // its exit status
    // "NAME": exists afterwards; "!NAME": does not; "=NAME": exists and has
    // the bytes it had before the command ran.
    std::vector<std::string> files;
    // Words in standard output or error; "out:" or "err:" in front: in that
    // stream only; "!" in front: must not appear; "out:" or "err:" alone:
    // that stream is empty.
    std::vector<std::string> words;
};

// gtest prints a row by its name.
inline void PrintTo(const CommandRow& row, std::ostream* out) { *out << row.name; }

// The scratch folder holds, before any row's own lines:
//   release1/app.exe, release1/images/ (Start.bmp, icons/usb.bmp),
//   release1/fonts/Sans.ttf; release2/ the same with a changed exe and a
//   changed Start.bmp; release3/ with another file added; unrelated/ with
//   different contents throughout, and maker.key/maker.pub, a key pair.
class CommandRowFolder : public Workspace {
public:
    CommandRowFolder();
    // Runs a shell line in the folder.
    ToolRun Shell(const std::string& line) const;
};

// Prepares a fresh folder, runs the row and checks it (gtest assertions).
void RunCommandRow(const CommandRow& row);

// The gtest name of a row, for INSTANTIATE_TEST_SUITE_P.
struct CommandRowName {
    template <class Info>
    std::string operator()(const Info& info) const {
        return info.param.name;
    }
};

}  // namespace pack_test
