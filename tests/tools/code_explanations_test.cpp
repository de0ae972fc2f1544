// The explanations of ruvexa-pack explain and log against the device's own
// code tables: every code the program can show has one, and no other code.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "code_explanations.h"
#include "extract_codes.h"
#include "install_codes.h"
#include "refusal_codes.h"
#include "rollback_codes.h"
#include "worker.h"

namespace {

using pack::CodeStage;
using pack::ExplainedCode;

std::string Narrow(const WCHAR* text) {
    std::string narrow;
    for (; *text; ++text) narrow += static_cast<char>(*text);
    return narrow;
}

// Each code of the device's table for `Failure`, with the stage it is told at.
template <typename Failure>
void AddDeviceCodes(std::set<std::pair<std::string, CodeStage>>* codes, CodeStage stage) {
    for (const FailureCodeRow<Failure>& row : FailureCodes<Failure>::kCodes) codes->insert({Narrow(row.code), stage});
}

std::set<std::pair<std::string, CodeStage>> DeviceCodes() {
    std::set<std::pair<std::string, CodeStage>> codes;
    AddDeviceCodes<Refusal>(&codes, CodeStage::kRefusal);
    AddDeviceCodes<ExtractFailure>(&codes, CodeStage::kPreparation);
    AddDeviceCodes<InstallFailure>(&codes, CodeStage::kInstallation);
    AddDeviceCodes<RollbackFailure>(&codes, CodeStage::kRollback);
    codes.insert({Narrow(kUnknownFailureCode), CodeStage::kAnyStage});
    return codes;
}

TEST(CodeExplanationsTest, EveryCodeTheProgramCanShowHasAnExplainEntry) {
    for (const auto& [code, stage] : DeviceCodes()) {
        SCOPED_TRACE(code);
        const ExplainedCode* explained = pack::FindExplainedCode(code);
        ASSERT_NE(explained, nullptr);
        EXPECT_EQ(explained->code, code);
        EXPECT_EQ(explained->stage, stage);
        for (const char* text : {explained->explanation.summary, explained->explanation.meaning,
                                 explained->explanation.next, pack::StageWhen(stage), pack::StageLeaves(stage)}) {
            ASSERT_NE(text, nullptr);
            EXPECT_GT(std::string(text).size(), 10u);
        }
    }
}

TEST(CodeExplanationsTest, ExplainsNoCodeTheProgramCannotShow) {
    const auto device = DeviceCodes();
    EXPECT_EQ(pack::ExplainedCodes().size(), device.size());
    for (const ExplainedCode& each : pack::ExplainedCodes()) {
        EXPECT_EQ(device.count({each.code, each.stage}), 1u) << each.code;
    }
}

TEST(CodeExplanationsTest, RefusalsCarryTheirScreenText) {
    EXPECT_EQ(pack::FindExplainedCode("Err10")->screen, Narrow(RefusalText(Refusal::kRolledBack)));
    EXPECT_EQ(pack::FindExplainedCode("Err11")->screen, "Package older than installed");
    EXPECT_EQ(pack::FindExplainedCode("Err0F")->screen, "");
}

TEST(CodeExplanationsTest, CodesAreFoundInAnySpelling) {
    for (const char* typed : {"Err0F", "err0f", "ERR0F", "0f", "0F", "eRr0F"}) {
        EXPECT_EQ(pack::NormalizedCode(typed), "Err0F") << typed;
    }
    for (const char* typed : {"", "Err", "Err0", "Err0FF", "0G", "F", "Foo0F", "Err 0F", "-1"}) {
        EXPECT_EQ(pack::NormalizedCode(typed), "") << typed;
        EXPECT_EQ(pack::FindExplainedCode(typed), nullptr) << typed;
    }
    EXPECT_EQ(pack::FindExplainedCode("Err99"), nullptr);
    EXPECT_EQ(pack::FindExplainedCode("ff")->code, "ErrFF");
}

}  // namespace
