// Debug output from several threads at once: every text reaches the log whole.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

TEST(DebugOutput, TextsFromSeveralThreadsStayWhole) {
    constexpr int kThreads = 4;
    constexpr int kLinesEach = 300;
    testing_support::LogCapture log;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            std::wstring filler(40 + t * 7, static_cast<WCHAR>(L'a' + t));
            for (int i = 0; i < kLinesEach; ++i) {
                NKDbgPrintfW(L"Worker(): thread=[%d], line=[%d], text=[%s]\r\n", t, i, filler.c_str());
            }
        });
    }
    for (auto& thread : threads) thread.join();

    std::vector<std::string> lines = log.Lines();
    ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLinesEach));
    std::map<int, int> nextLineOf;
    for (const auto& line : lines) {
        int t = -1, i = -1;
        ASSERT_EQ(std::sscanf(line.c_str(), "Worker(): thread=[%d], line=[%d]", &t, &i), 2) << line;
        ASSERT_TRUE(t >= 0 && t < kThreads) << line;
        std::string filler(40 + t * 7, static_cast<char>('a' + t));
        EXPECT_EQ(line, "Worker(): thread=[" + std::to_string(t) + "], line=[" + std::to_string(i) +
                            "], text=[" + filler + "]");
        // Each thread's texts keep their order.
        EXPECT_EQ(i, nextLineOf[t]++) << line;
    }
}
