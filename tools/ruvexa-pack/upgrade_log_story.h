// An upgrade log read back as the story of its boots: for each header the
// device wrote, when, from where and which package, the stages its lines
// show it reached, and how it ended. The log's own lines are read through
// the device's format owner (upgrade_log_format.h); the stages are told by
// the debug lines' function names.
#pragma once

#include <string>
#include <vector>

namespace pack {

enum class BootStage { kSearch, kRefusal, kPreparation, kInstallation, kRollback, kLaunch, kReset };

enum class BootEnding {
    kInstalled,       // "=== Upgrade Complete ==="
    kRolledBack,      // "=== Rollback Complete ==="
    kFailed,          // a result line with the code the screen showed
    kRollbackFailed,  // "=== !!! Rollback Failed ===": the device writes no code for it
    kNoPackage,       // the search found no package: the boot went on without an upgrade
    kUnknown,         // the lines stop before an ending: power lost, or a stage that could not start
};

struct UpgradeBootStory {
    size_t line = 0;       // the header's line number, from 1
    std::string date;      // "2026-12-08 14:33:26"
    std::string source;    // "remote", "USB", "rollback"
    std::string package;   // the package's file name, or "none"
    std::vector<BootStage> stages;  // in the order first reached
    BootEnding ending = BootEnding::kUnknown;
    std::string code;         // kFailed: "Err0F"
    std::string failureLine;  // the last "!!!" line before the ending, without its line end
    bool full = false;        // the boot's later lines were left out of the log
};

struct UpgradeLogStory {
    std::vector<UpgradeBootStory> boots;
    bool cutMidLine = false;  // the last line has no line end: the file was cut off
};

// The story of `bytes`, the contents of an upgrade log; false with `error`
// when it is empty or does not begin with a boot's header.
bool ReadUpgradeLogStory(const std::string& bytes, UpgradeLogStory* story, std::string* error);

const char* BootStageName(BootStage stage);

}  // namespace pack
