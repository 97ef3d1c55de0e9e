// The current-frequency monitor follows the highest active core ratio.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "sdk/SimSdkSession.h"

namespace {

std::vector<double> Sample(IMonitoringLibrary* monitor, int n) {
    std::vector<double> v;
    for (int i = 0; i < n; ++i) v.push_back(monitor->GetMonitorValue(MonitorId_Processor_Frequency));
    return v;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

TEST(SimMonitor, TracksHighestActiveRatio) {
    CSimSdkSession s(L"monitor_track");
    IOverclockingSdk* root = s.InitRoot();
    IMonitoringLibrary* monitor = root->GetMonitoringLibrary();
    ASSERT_NE(nullptr, monitor);
    monitor->BeginMonitoring();
    EXPECT_TRUE(monitor->MonitorIsReady(MonitorId_Processor_Frequency));
    EXPECT_FALSE(monitor->MonitorIsReady(4)) << "only the frequency monitor is simulated";

    std::vector<double> stock = Sample(monitor, 400);
    for (double v : stock) {
        EXPECT_LE(v, 4.0 * 1.005 + 1e-9);
        EXPECT_GE(v, 4.0 * 0.70 - 1e-9);
    }
    EXPECT_NEAR(4.0, Median(stock), 0.02);
    // Not a constant: it jitters, and the load dips now and then.
    EXPECT_GT(*std::max_element(stock.begin(), stock.end()) - *std::min_element(stock.begin(), stock.end()),
              0.2);
    EXPECT_GT(std::count_if(stock.begin(), stock.end(), [](double v) { return v < 3.9; }), 5);

    // Overclocked: the 1-core ratio goes to 44 and the readings follow.
    ClientTuningProposal p[1] = {{29, 44}};
    ClientTuningProposalResult r[1] = {};
    ASSERT_TRUE(root->GetTuningLibrary()->ProposeChange(p, 1, r, 0));
    ASSERT_TRUE(root->GetTuningLibrary()->ApplyChanges(0));
    std::vector<double> fast = Sample(monitor, 400);
    for (double v : fast) EXPECT_LE(v, 4.4 * 1.005 + 1e-9);
    EXPECT_NEAR(4.4, Median(fast), 0.022);

    // The highest ratio counts, whichever core has it.
    ClientTuningProposal q[2] = {{29, 38}, {31, 46}};
    ClientTuningProposalResult rr[2] = {};
    ASSERT_TRUE(root->GetTuningLibrary()->ProposeChange(q, 2, rr, 0));
    ASSERT_TRUE(root->GetTuningLibrary()->ApplyChanges(0));
    EXPECT_NEAR(4.6, Median(Sample(monitor, 200)), 0.023);
    monitor->EndMonitoring();
}
