// What each code the device can show means to a technician: at which stage
// it happens, what is left on the device, and what to do next. The codes
// are the device's own tables' (extraction, installation, rollback,
// refusal, and the unknown failure's code); an explanation is kept for each
// by its enum value, so that a code added to a table without one does not
// compile.
#pragma once

#include <string>
#include <vector>

namespace pack {

enum class CodeStage { kRefusal, kPreparation, kInstallation, kRollback, kAnyStage };

struct CodeExplanation {
    const char* summary;  // one line, "the package's checksum is wrong"
    const char* meaning;  // what happened, in a few sentences
    const char* left;     // what this code leaves on the device beyond its stage's rule; may be null
    const char* next;     // what a person does next
};

struct ExplainedCode {
    std::string code;    // "Err0F"
    CodeStage stage;
    CodeExplanation explanation;
    std::string screen;  // the text beside the code on screen, where the tool has it; else empty
};

// Every code, in the order of the device's tables: refusals, extraction,
// installation, rollback, then the unknown failure.
const std::vector<ExplainedCode>& ExplainedCodes();

// "Err0F" for "Err0F", "err0f", "ERR0F", "0f" or "0F"; empty for a word
// that is no code's shape.
std::string NormalizedCode(const std::string& typed);

// The code `typed` names (any spelling NormalizedCode takes), or null.
const ExplainedCode* FindExplainedCode(const std::string& typed);

// The stage's name ("preparation (extraction)"), when it runs (a clause
// that follows the name), and what a failure in it leaves on the device.
const char* StageName(CodeStage stage);
const char* StageWhen(CodeStage stage);
const char* StageLeaves(CodeStage stage);

}  // namespace pack
