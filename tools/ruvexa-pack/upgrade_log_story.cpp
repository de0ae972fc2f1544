// ReadUpgradeLogStory, BootStageName.
#include "upgrade_log_story.h"

#include <windows.h>

#include <cstdio>

#include "upgrade_log_format.h"

namespace pack {
namespace {

// The debug lines by which a boot's stages show, by how they begin.
struct StageMark {
    const char* begins;
    BootStage stage;
};

constexpr StageMark kStageMarks[] = {
    {"CheckUpgrade(", BootStage::kSearch},
    {"FindUpgradeFile(", BootStage::kSearch},
    {"StartExtraction(): !!!", BootStage::kRefusal},
    {"EndRefusal(", BootStage::kRefusal},
    {"PrepareUpgrade(", BootStage::kPreparation},
    {"PrepareExtract(", BootStage::kPreparation},
    {"ExtractThreadProc(", BootStage::kPreparation},
    {"OnExtractionResult(", BootStage::kPreparation},
    {"=== Extraction Complete ===", BootStage::kPreparation},
    {"=== !!! Extraction Failed ===", BootStage::kPreparation},
    {"StartUpgradeThread(", BootStage::kInstallation},
    {"UpgradeThreadProc(", BootStage::kInstallation},
    {"OnUpgradeResult(", BootStage::kInstallation},
    {"=== Upgrade Complete ===", BootStage::kInstallation},
    {"=== !!! Upgrade Failed ===", BootStage::kInstallation},
    {"Initialize(): !!! Trial failed", BootStage::kRollback},
    {"StartRollbackThread(", BootStage::kRollback},
    {"RollbackThreadProc(", BootStage::kRollback},
    {"=== Rollback Complete ===", BootStage::kRollback},
    {"=== !!! Rollback Failed ===", BootStage::kRollback},
    {"ExecuteFile(", BootStage::kLaunch},
    {"Initialize(): !!! Initialization Failed", BootStage::kLaunch},
    {"!!! Reset ", BootStage::kReset},
};

bool Begins(const std::string& line, const char* text) { return line.compare(0, std::char_traits<char>::length(text), text) == 0; }

// The log's own lines are ASCII around their fields, so each byte is taken
// as one character: the fields come back byte for byte, UTF-8 included.
std::wstring Widened(const std::string& line) {
    std::wstring wide;
    wide.reserve(line.size());
    for (unsigned char c : line) wide += static_cast<wchar_t>(c);
    return wide;
}

std::string Narrowed(const WCHAR* text) {
    std::string narrow;
    for (; *text; ++text) narrow += static_cast<char>(*text);
    return narrow;
}

bool ReadBootLine(const std::string& line, size_t number, UpgradeBootStory* boot) {
    UpgradeBootLine header;
    if (!Begins(line, "=== ") || !ParseUpgradeBootLine(Widened(line).c_str(), &header)) return false;
    *boot = UpgradeBootStory{};
    boot->line = number;
    char date[64];
    std::snprintf(date, sizeof(date), "%04u-%02u-%02u %02u:%02u:%02u", header.date.wYear, header.date.wMonth,
                  header.date.wDay, header.date.wHour, header.date.wMinute, header.date.wSecond);
    boot->date = date;
    boot->source = Narrowed(header.source);
    boot->package = Narrowed(header.package);
    return true;
}

void Reached(UpgradeBootStory* boot, BootStage stage) {
    for (BootStage each : boot->stages) {
        if (each == stage) return;
    }
    boot->stages.push_back(stage);
}

// One debug line or log line of `boot`.
void ReadBootBody(const std::string& line, UpgradeBootStory* boot) {
    WCHAR code[kUpgradeResultCodeCapacity];
    if (Begins(line, "=== ")) {
        const std::wstring wide = Widened(line);
        if (ParseUpgradeResultLine(wide.c_str(), code)) {
            boot->ending = BootEnding::kFailed;
            boot->code = Narrowed(code);
            return;
        }
        if (IsUpgradeLogFullLine(wide.c_str())) {
            boot->full = true;
            return;
        }
    }
    for (const StageMark& mark : kStageMarks) {
        if (Begins(line, mark.begins)) {
            Reached(boot, mark.stage);
            break;
        }
    }
    // A result line, written last, decides over the stages' own endings.
    if (boot->ending == BootEnding::kFailed) return;
    if (Begins(line, "=== Upgrade Complete ===")) {
        boot->ending = BootEnding::kInstalled;
    } else if (Begins(line, "=== Rollback Complete ===")) {
        boot->ending = BootEnding::kRolledBack;
    } else if (Begins(line, "=== !!! Rollback Failed ===")) {
        boot->ending = BootEnding::kRollbackFailed;
    } else if (line.find("!!!") != std::string::npos && !Begins(line, "=== ") && !Begins(line, "!!! Reset ") &&
               boot->ending == BootEnding::kUnknown) {
        boot->failureLine = line;
    }
}

}  // namespace

bool ReadUpgradeLogStory(const std::string& bytes, UpgradeLogStory* story, std::string* error) {
    *story = UpgradeLogStory{};
    if (bytes.empty()) {
        *error = "it is empty: no upgrade boot has been written to it";
        return false;
    }
    story->cutMidLine = bytes.back() != '\n';
    size_t number = 0;
    for (size_t start = 0; start < bytes.size();) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        start = end + 1;
        ++number;
        UpgradeBootStory boot;
        if (ReadBootLine(line, number, &boot)) {
            story->boots.push_back(boot);
        } else if (story->boots.empty()) {
            const std::string header = "=== Upgrade boot: ";
            const bool cutHeader = start >= bytes.size() && story->cutMidLine &&
                                   line.compare(0, header.size(), header, 0, line.size()) == 0;
            *error = cutHeader ? "it was cut off in the middle of its first header line: it holds no whole boot"
                               : "it is no upgrade log: its first line is not an \"=== Upgrade boot: ...\" header";
            return false;
        } else {
            ReadBootBody(line, &story->boots.back());
        }
    }
    for (UpgradeBootStory& boot : story->boots) {
        if (boot.ending == BootEnding::kUnknown && boot.package == "none" && boot.source != "rollback") {
            boot.ending = BootEnding::kNoPackage;
        }
        // A line that came before a stage ended well is not why the boot failed.
        if (boot.ending == BootEnding::kInstalled || boot.ending == BootEnding::kRolledBack) boot.failureLine.clear();
    }
    return true;
}

const char* BootStageName(BootStage stage) {
    switch (stage) {
        case BootStage::kSearch:
            return "search";
        case BootStage::kRefusal:
            return "refusal";
        case BootStage::kPreparation:
            return "preparation";
        case BootStage::kInstallation:
            return "installation";
        case BootStage::kRollback:
            return "rollback";
        case BootStage::kLaunch:
            return "launch";
        case BootStage::kReset:
            break;
    }
    return "restart";
}

}  // namespace pack
