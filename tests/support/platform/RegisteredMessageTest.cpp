#include "support/platform/LastError.h"
#include "support/platform/RegisteredMessage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace zeph::platform;

TEST(RegisteredMessage, SameNameKeepsItsIdAndDifferentNamesGetDifferentIdsFromC000) {
    const auto log = registerWindowMessage(L"WM_TEST_LOG-{6B1E5D0C-0001-4000-8000-000000000001}");
    const auto config = registerWindowMessage(L"WM_TEST_CONFIG-{6B1E5D0C-0002-4000-8000-000000000002}");

    EXPECT_GE(log, 0xC000u);
    EXPECT_LE(log, 0xFFFFu);
    EXPECT_GE(config, 0xC000u);
    EXPECT_LE(config, 0xFFFFu);
    EXPECT_NE(log, config);
    EXPECT_EQ(log, registerWindowMessage(L"WM_TEST_LOG-{6B1E5D0C-0001-4000-8000-000000000001}"));
    // Compared without ASCII case, as Windows' atom table compares names.
    EXPECT_EQ(log, registerWindowMessage(L"wm_test_log-{6b1e5d0c-0001-4000-8000-000000000001}"));
}

TEST(RegisteredMessage, EmptyNameIsRefusedWithInvalidParameter) {
    setLastError(ERROR_SUCCESS);
    EXPECT_EQ(0u, registerWindowMessage(L""));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, getLastError());
}

TEST(RegisteredMessage, ThreadsRegisteringTheSameNamesAtOnceAgreeOnEveryId) {
    constexpr int kThreads = 4;
    constexpr int kNames = 200;
    std::vector<std::vector<UINT>> ids(kThreads, std::vector<UINT>(kNames));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int n = 0; n < kNames; ++n) {
                ids[t][n] = registerWindowMessage(L"WM_TEST_RACE_" + std::to_wstring(n));
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (int t = 1; t < kThreads; ++t) {
        EXPECT_EQ(ids[0], ids[t]);
    }
    std::sort(ids[0].begin(), ids[0].end());
    EXPECT_EQ(ids[0].end(), std::adjacent_find(ids[0].begin(), ids[0].end()));
}

}  // namespace
