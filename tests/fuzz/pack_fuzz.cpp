// libFuzzer target for ruvexa-pack's inspect (text and JSON) and verify: the
// input is a package file on the host. Besides the sanitizers' findings, an
// input fails when the commands changed anything outside their scratch
// folder, left a file open, or gave an exit status other than 0 or 1.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>

#include "commands.h"
#include "fuzz_device.h"

namespace {

// The reports go nowhere: standard output (printf and std::cout) to
// /dev/null, std::cerr to a buffer. libFuzzer keeps standard error.
bool SilenceReports() {
    int nowhere = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (nowhere >= 0) dup2(nowhere, STDOUT_FILENO);
    if (nowhere > STDOUT_FILENO) close(nowhere);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzzing::FuzzDevice device("Work");
    static const bool silenced = SilenceReports();
    static std::ostringstream discarded;
    (void)silenced;
    device.WriteFile("Work/OV3_UPGRADE_1.BIN", data, size);
    const fuzzing::Snapshot before = device.Take();
    const int descriptors = fuzzing::OpenDescriptors();

    std::streambuf* err = std::cerr.rdbuf(discarded.rdbuf());
    pack::Arguments arguments;
    arguments.quiet = true;
    arguments.packages = {device.Root() + "/Work/OV3_UPGRADE_1.BIN"};
    int statuses[3];
    statuses[0] = pack::RunInspect(arguments);
    arguments.json = true;
    statuses[1] = pack::RunInspect(arguments);
    arguments.json = false;
    statuses[2] = pack::RunVerify(arguments);
    std::cerr.rdbuf(err);
    discarded.str("");

    for (int status : statuses) {
        if (status != 0 && status != 1) {
            std::fprintf(stderr, "pack_fuzz: exit status %d\n", status);
            std::abort();
        }
    }
    fuzzing::CheckUnchanged("pack_fuzz", before, device.Take(), descriptors);
    device.ClearWritable();
    return 0;
}
