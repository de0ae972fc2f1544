// `ruvexa-pack log FILE`: each boot of a device's upgrade log told in a few
// lines, its code explained from the same table as `explain`.
#include <iostream>

#include "code_explanations.h"
#include "commands.h"
#include "host_file.h"
#include "messages.h"
#include "upgrade_log_story.h"
#include "wrapped_text.h"

namespace pack {
namespace {

// Two logs of 64 KiB and a boot's lines are what a device keeps; a file
// far larger is no upgrade log and is not read whole.
constexpr size_t kMostLogBytes = 16 * 1024 * 1024;
constexpr size_t kLabelWidth = 11;

std::string SourceText(const std::string& source) {
    if (source == "remote") return "remote, from the download folder \\Storage Card\\OV3_Download";
    if (source == "USB") return "USB, from a USB disk";
    if (source == "rollback") return "rollback of the release on trial";
    return source;
}

std::string StagesText(const UpgradeBootStory& boot) {
    std::string stages;
    for (BootStage stage : boot.stages) stages += (stages.empty() ? "" : ", ") + std::string(BootStageName(stage));
    return stages.empty() ? "none of its stages logged a line" : stages;
}

bool Restarted(const UpgradeBootStory& boot) {
    for (BootStage stage : boot.stages) {
        if (stage == BootStage::kReset) return true;
    }
    return false;
}

std::string LastStage(const UpgradeBootStory& boot) {
    for (auto stage = boot.stages.rbegin(); stage != boot.stages.rend(); ++stage) {
        if (*stage != BootStage::kReset) return BootStageName(*stage);
    }
    return "the header";
}

// The result and what follows from it: the lines after "result:".
std::string ResultText(const UpgradeBootStory& boot) {
    const std::string restarted = Restarted(boot) ? "; the device restarted" : "; its restart is not logged";
    switch (boot.ending) {
        case BootEnding::kInstalled:
            return "success: the package was installed" + restarted + ".";
        case BootEnding::kRolledBack:
            return "rolled back: the version on trial was removed and the previous one restored" + restarted + ".";
        case BootEnding::kFailed:
            break;
        case BootEnding::kRollbackFailed:
            return "the rollback failed. This log holds no code for it (launchers before this one wrote none); the "
                   "screen showed one of Err70 to Err74 (ruvexa-pack explain --all), and the next boot tries the "
                   "rollback again.";
        case BootEnding::kNoPackage:
            return "no package found: the boot went on without an upgrade and started the installed application.";
        case BootEnding::kUnknown:
            return "no ending logged; the last stage with lines is the " + LastStage(boot) +
                   ". The power went off before the next stage ended, or a stage could not start (its failure "
                   "shows on screen without a code).";
    }
    const ExplainedCode* code = FindExplainedCode(boot.code);
    if (!code) return boot.code + ", a code this tool does not know.";
    if (code->stage == CodeStage::kRefusal) {
        return "refused with " + code->code + ", " + code->explanation.summary +
               ", before anything was written; the request was removed and the installed application started.";
    }
    const std::string during = code->stage == CodeStage::kAnyStage ? "" : std::string(", during the ") + StageName(code->stage);
    return "failed with " + code->code + ", " + code->explanation.summary + during + ".";
}

void PrintBoot(size_t index, const UpgradeBootStory& boot) {
    std::cout << "\nboot " << index << ", line " << boot.line << ": " << boot.date << "\n"
              << WrappedText("  source:", SourceText(boot.source), kLabelWidth)
              << WrappedText("  package:", boot.package, kLabelWidth)
              << WrappedText("  reached:", StagesText(boot), kLabelWidth)
              << WrappedText("  result:", ResultText(boot), kLabelWidth);
    const bool failed = boot.ending != BootEnding::kInstalled && boot.ending != BootEnding::kRolledBack;
    if (failed && !boot.failureLine.empty()) std::cout << "  log line: " << boot.failureLine << "\n";
    const ExplainedCode* code = boot.ending == BootEnding::kFailed ? FindExplainedCode(boot.code) : nullptr;
    if (code) {
        std::cout << WrappedText("  meaning:", code->explanation.meaning, kLabelWidth)
                  << WrappedText("  next:", code->explanation.next, kLabelWidth)
                  << "  (ruvexa-pack explain " << code->code << " says what it leaves on the device)\n";
    }
    if (boot.full) {
        std::cout << WrappedText("  note:", "the log was full: the boot's later lines are in the debug output only.",
                                 kLabelWidth);
    }
}

}  // namespace

int RunLog(const Arguments& arguments) {
    const std::string& path = arguments.logFile;
    std::string bytes, error;
    if (!ReadSmallFile(path, kMostLogBytes + 1, &bytes, &error)) return Fail(error);
    if (bytes.size() > kMostLogBytes) return Fail("'" + path + "' is no upgrade log: it is larger than 16 MiB");
    UpgradeLogStory story;
    if (!ReadUpgradeLogStory(bytes, &story, &error)) return Fail("'" + path + "': " + error);
    const size_t count = story.boots.size();
    std::cout << "'" << path << "': " << count << (count == 1 ? " upgrade boot" : " upgrade boots") << ", from "
              << story.boots.front().date << " to " << story.boots.back().date << "\n";
    for (size_t index = 0; index < count; ++index) PrintBoot(index + 1, story.boots[index]);
    if (story.cutMidLine) {
        std::cout << "\n"
                  << WrappedText("note:",
                                 "the log ends in the middle of a line: it was cut off (a copy that did not finish, "
                                 "or the device lost power while writing it), so its last boot may be incomplete.",
                                 6);
    }
    return kExitSuccess;
}

}  // namespace pack
