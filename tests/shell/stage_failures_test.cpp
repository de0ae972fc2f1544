// The shell's one failure table: every failure each stage's worker can post
// has its row, with the code its stage's table owns and the screen text
// beside it; a value without a row shows "ErrFF" and the stage's own text.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "ruvexa_host.h"
#include "stage_failures.h"

namespace {

std::string Utf8(LPCWSTR text) { return host::WideToUtf8(text); }

// One row per stage: its failures up to the last, the screen text most of
// them get, and those that get another.
struct StageRow {
    const char* name;
    WorkerStage stage;
    DWORD last;
    LPCWSTR screen;
    std::vector<std::pair<std::wstring, LPCWSTR>> otherScreens{};  // by code
    LPCWSTR (*code)(DWORD failure) = nullptr;
};

void PrintTo(const StageRow& row, std::ostream* out) { *out << row.name; }

template <typename Failure>
LPCWSTR CodeOf(DWORD failure) {
    return FailureCode(static_cast<Failure>(failure));
}

class StageFailureTest : public ::testing::TestWithParam<StageRow> {};

TEST_P(StageFailureTest, EveryFailureHasItsCodeAndScreenText) {
    const StageRow& row = GetParam();
    for (DWORD failure = 0; failure <= row.last; ++failure) {
        const StageFailureRow shown = PostedFailureRow(row.stage, static_cast<LPARAM>(failure));
        SCOPED_TRACE(Utf8(row.code(failure)));
        EXPECT_EQ(Utf8(shown.code), Utf8(row.code(failure)));
        LPCWSTR screen = row.screen;
        for (const auto& [code, other] : row.otherScreens) {
            if (code == row.code(failure)) screen = other;
        }
        EXPECT_EQ(Utf8(shown.screen), Utf8(screen));
    }
    const StageFailureRow unknown = PostedFailureRow(row.stage, static_cast<LPARAM>(row.last + 1));
    EXPECT_EQ(Utf8(unknown.code), "ErrFF");
    EXPECT_EQ(Utf8(unknown.screen), Utf8(row.screen));
    EXPECT_EQ(Utf8(StageFailedText(row.stage)), Utf8(row.screen));
}

const StageRow kStages[] = {
    {"Extraction", WorkerStage::kExtraction, static_cast<DWORD>(FailureCodes<ExtractFailure>::kLast),
     L"Preparation failed", {}, CodeOf<ExtractFailure>},
    {"Installation", WorkerStage::kInstallation, static_cast<DWORD>(FailureCodes<InstallFailure>::kLast),
     L"Upgrade failed",
     {{L"Err80", L"Delta does not fit"},
      {L"Err81", L"Delta does not fit"},
      {L"Err82", L"Delta does not fit"},
      {L"Err83", L"Delta does not fit"}},
     CodeOf<InstallFailure>},
    {"Rollback", WorkerStage::kRollback, static_cast<DWORD>(FailureCodes<RollbackFailure>::kLast),
     L"Rollback failed", {}, CodeOf<RollbackFailure>},
};

INSTANTIATE_TEST_SUITE_P(Stages, StageFailureTest, ::testing::ValuesIn(kStages),
                         [](const ::testing::TestParamInfo<StageRow>& info) { return std::string(info.param.name); });

// No row beyond the stages' failures: the table holds each once.
TEST(StageFailureTable, HoldsEachFailureOnce) {
    size_t count = 0;
    const StageFailureRow* rows = StageFailureRows(&count);
    size_t expected = 0;
    for (const StageRow& stage : kStages) expected += stage.last + 1;
    EXPECT_EQ(count, expected);
    for (size_t i = 0; i < count; ++i) {
        for (size_t j = i + 1; j < count; ++j) {
            EXPECT_FALSE(rows[i].stage == rows[j].stage && rows[i].failure == rows[j].failure) << Utf8(rows[i].code);
        }
    }
}

}  // namespace
