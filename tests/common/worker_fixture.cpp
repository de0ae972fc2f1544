#include "worker_fixture.h"

#include "ruvexa_host.h"

namespace testing_support {
namespace {

// Device seconds in real milliseconds: the workers' waits and timers pass at once.
constexpr double kTimeScale = 1000;

}  // namespace

void WorkerTest::SetUp() {
    host::ResetWindowManager();
    host::ClearFailures();
    host::SetTimeScale(kTimeScale);
    results = std::make_unique<ResultWindow>(resultMessage_, codeText_);
    window = results->Handle();
    ASSERT_NE(window, nullptr);
}

void WorkerTest::TearDown() {
    results.reset();
    host::ClearFailures();
    host::ResetWindowManager();
    host::SetTimeScale(1);
}

void WorkerTest::ExpectOneFailure(const std::vector<PostedResult>& posted, const std::wstring& code) {
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_TRUE(posted[0].toWindow);
    EXPECT_EQ(posted[0].wParam, 0u);
    EXPECT_EQ(host::WideToUtf8(posted[0].text), host::WideToUtf8(code));
}

void WorkerTest::ExpectOneSuccess(const std::vector<PostedResult>& posted) {
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_TRUE(posted[0].toWindow);
    EXPECT_EQ(posted[0].wParam, 1u);
    EXPECT_EQ(posted[0].failure, 0);
    EXPECT_EQ(host::WideToUtf8(posted[0].text), "");
}

}  // namespace testing_support
