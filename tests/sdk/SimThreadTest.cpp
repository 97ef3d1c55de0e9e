// The program calls the SDK from three threads at once; the library must
// keep its processor whole under that.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "sdk/SimSdkSession.h"

TEST(SimThreads, FourThreadsHammering) {
    CSimSdkSession s(L"threads_hammer");
    IOverclockingSdk* root = s.InitRoot();
    ASSERT_NE(nullptr, root);
    std::atomic<int> errors{0};
    std::atomic<bool> go{false};
    const int rounds = 1500;

    std::vector<std::thread> threads;
    // Two proposers/appliers, each with its own allowed values.
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&, t] {
            while (!go) std::this_thread::yield();
            IOverclockingSdk* r = s.Root();
            ITuningLibrary* tuning = r->GetTuningLibrary();
            for (int i = 0; i < rounds; ++i) {
                double v = 40 + ((i + t) % 6);
                ClientTuningProposal p[4] = {{29, v}, {30, v}, {31, v}, {32, v}};
                ClientTuningProposalResult res[4] = {};
                if (!tuning->ProposeChange(p, 4, res, 0)) ++errors;
                for (const ClientTuningProposalResult& x : res)
                    if (!x.Enabled || x.Value != v) ++errors;
                if (i % 50 == 0 && !tuning->ApplyChanges(0)) ++errors;
            }
        });
    }
    // A reader of controls and a monitor.
    threads.emplace_back([&] {
        while (!go) std::this_thread::yield();
        IOverclockingSdk* r = s.Root();
        for (int i = 0; i < rounds; ++i) {
            if (!r->IsInitOK()) ++errors;
            ClientTuningControl c = ReadControl(r, 29 + (i % 4));
            if (c.ValueCount != 43 || c.Values[0] != 8.0 || c.ProposedValue < 37 || c.ProposedValue > 45 ||
                c.Name[0] == 0)
                ++errors;
            wchar_t name[128];
            if (!r->GetSystemInfo()->GetProcessor()->GetName(name, 128) || name[0] != L'D') ++errors;
        }
    });
    threads.emplace_back([&] {
        while (!go) std::this_thread::yield();
        IMonitoringLibrary* m = s.Root()->GetMonitoringLibrary();
        for (int i = 0; i < rounds; ++i) {
            double v = m->GetMonitorValue(MonitorId_Processor_Frequency);
            if (v < 0.70 * 4.0 - 1e-9 || v > 1.005 * 4.5 + 1e-9) ++errors;
        }
    });
    go = true;
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(0, errors.load());

    // The last apply left a whole, readable state file.
    ASSERT_TRUE(root->GetTuningLibrary()->ApplyChanges(0));
    ASSERT_TRUE(s.Unload());
    root = s.InitRoot();
    double active = ReadControl(root, 29).ActiveValue;
    EXPECT_GE(active, 40.0);
    EXPECT_LE(active, 45.0);
    EXPECT_EQ(active * 100, ReadControl(root, ControlId_Processor_Max_Turbo_Boost_CPU_Speed).ProposedValue);
}
