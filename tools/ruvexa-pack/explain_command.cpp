// `ruvexa-pack explain [CODE]`: what a code the device shows means, or the
// list of every code.
#include <iostream>

#include "code_explanations.h"
#include "commands.h"
#include "messages.h"
#include "wrapped_text.h"

namespace pack {
namespace {

constexpr size_t kLabelWidth = 9;

void PrintEveryCode() {
    const CodeStage* stage = nullptr;
    for (const ExplainedCode& each : ExplainedCodes()) {
        if (!stage || *stage != each.stage) {
            stage = &each.stage;
            std::cout << (stage == &ExplainedCodes().front().stage ? "" : "\n") << StageName(each.stage) << ":\n";
        }
        std::cout << "  " << each.code << "  " << each.explanation.summary << "\n";
    }
    std::cout << "\nruvexa-pack explain CODE tells what a code leaves on the device and what to do next.\n";
}

void PrintCode(const ExplainedCode& code) {
    const CodeExplanation& explanation = code.explanation;
    std::cout << code.code << ": " << explanation.summary << "\n";
    if (!code.screen.empty()) std::cout << WrappedText("screen:", code.code + " " + code.screen, kLabelWidth);
    std::cout << WrappedText("stage:", std::string(StageName(code.stage)) + ": " + StageWhen(code.stage), kLabelWidth)
              << WrappedText("meaning:", explanation.meaning, kLabelWidth)
              << WrappedText("left:",
                             explanation.left ? std::string(explanation.left) + " " + StageLeaves(code.stage)
                                              : std::string(StageLeaves(code.stage)),
                             kLabelWidth)
              << WrappedText("next:", explanation.next, kLabelWidth);
}

}  // namespace

int RunExplain(const Arguments& arguments) {
    if (arguments.all || arguments.code.empty()) {
        if (!arguments.code.empty()) Warn("--all lists every code; '" + arguments.code + "' is not looked up alone");
        PrintEveryCode();
        return kExitSuccess;
    }
    const ExplainedCode* code = FindExplainedCode(arguments.code);
    if (!code) {
        const std::string shape = NormalizedCode(arguments.code);
        return Fail((shape.empty() ? "'" + arguments.code + "' is not a code the device shows (such as Err0F or 0F)"
                                   : "the device shows no code " + shape) +
                    "; ruvexa-pack explain --all lists every code");
    }
    PrintCode(*code);
    return kExitSuccess;
}

}  // namespace pack
