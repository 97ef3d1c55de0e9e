#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "state/AppState.h"

// Runs before anything else in this program touches the state: every thread
// racing on the first call must get the same, fully made object.
TEST(AppState, RacingFirstCallsShareOneObject) {
    std::atomic<bool> go{false};
    std::vector<AppState*> seen(8, nullptr);
    std::vector<std::thread> pool;
    for (int i = 0; i < 8; ++i)
        pool.emplace_back([&, i] {
            while (!go.load()) std::this_thread::yield();
            seen[i] = &GetAppState();
        });
    go = true;
    for (auto& t : pool) t.join();
    EXPECT_EQ(1u, std::set<AppState*>(seen.begin(), seen.end()).size());
}

TEST(AppState, StartsAtRestWithTheDefaultDialEntry) {
    const AppState& s = GetAppState();
    EXPECT_EQ(nullptr, s.hMainWnd);
    EXPECT_EQ(STATUS_OVERCLOCK_INIT, s.nStatus);
    EXPECT_FALSE(s.g_bThisCPUHaveCustomData);
    EXPECT_FLOAT_EQ(0.3f, s.stCustomData.floatOverclockingStep);
    EXPECT_TRUE(s.stCustomData.strCPU_Model.empty());
    EXPECT_EQ(0, s.stCustomData.iAngle_End);
    EXPECT_TRUE(g_bMainWndVisible);
}

TEST(AppState, CopyingAnEntryCopiesEveryField) {
    CpuCustomData a;
    a.strCPU_Model = L"V7-4760K";
    a.floatTurboFrenquency = -1.0f;
    a.iAngle_TurboFrenquency = -1;
    a.strImgPointer = L"png/pointer.png";
    a.floatOverclockingStep = 0.2f;
    CpuCustomData b = a;
    EXPECT_EQ(a.strCPU_Model, b.strCPU_Model);
    EXPECT_EQ(-1.0f, b.floatTurboFrenquency);
    EXPECT_EQ(-1, b.iAngle_TurboFrenquency);
    EXPECT_EQ(a.strImgPointer, b.strImgPointer);
    EXPECT_FLOAT_EQ(0.2f, b.floatOverclockingStep);
}
