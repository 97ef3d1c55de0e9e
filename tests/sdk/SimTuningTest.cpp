// Proposing and applying settings: validation, persistence in the state
// file, the simulated reboot and the turbo frequency that follows the
// 1-core ratio.
#include <gtest/gtest.h>

#include <vector>

#include "sdk/SimSdkSession.h"
#include "support/ChildRun.h"
#include "support/StandInSwitch.h"
#include "support/TestPaths.h"

namespace {

struct ProposeRecorder : ITuningLibrary::OnProposeChangesListener {
    std::vector<ClientTuningProposalResult> results;
    int calls = 0;
    void OCSDK_CALL OnProposeChanges(const ClientTuningProposalResult* r, uint32_t count) override {
        ++calls;
        results.assign(r, r + count);
    }
};

struct ApplyRecorder : ITuningLibrary::OnApplyChangesListener {
    std::vector<int> outcomes;
    void OCSDK_CALL OnApplyChanges(SdkBool success) override { outcomes.push_back(success ? 1 : 0); }
};

// Overclocks the four cores by three ratio steps, the way the worker does.
bool OverclockFourCores(IOverclockingSdk* root) {
    ITuningLibrary* tuning = root->GetTuningLibrary();
    std::vector<ClientTuningProposal> p;
    for (uint32_t id : {29u, 30u, 31u, 32u}) p.push_back({id, ReadControl(root, id).DefaultValue + 3});
    std::vector<ClientTuningProposalResult> r(p.size());
    return tuning->ProposeChange(p.data(), (uint32_t)p.size(), r.data(), 0) && tuning->ApplyChanges(0);
}

}  // namespace

TEST(SimTuning, ProposeChecksAllowedValues) {
    CSimSdkSession s(L"tuning_validate");
    s.UseProfile(L"simcpu\\V5-3330.ini");  // ratios limited to 30..36
    IOverclockingSdk* root = s.InitRoot();
    ITuningLibrary* tuning = root->GetTuningLibrary();
    ProposeRecorder listener;
    tuning->SetOnProposeChangesListener(&listener);

    ClientTuningProposal p[4] = {{29, 34}, {30, 40}, {31, 33.5}, {777, 1}};
    ClientTuningProposalResult r[4] = {};
    ASSERT_TRUE(tuning->ProposeChange(p, 4, r, 0));
    EXPECT_EQ(29u, r[0].Id);
    EXPECT_TRUE(r[0].Enabled);
    EXPECT_EQ(34.0, r[0].Value);
    EXPECT_FALSE(r[0].RebootRequired);
    EXPECT_FALSE(r[1].Enabled) << "above the list";
    EXPECT_FALSE(r[2].Enabled) << "between two allowed values";
    EXPECT_FALSE(r[3].Enabled) << "no such control";
    EXPECT_EQ(777u, r[3].Id);

    EXPECT_EQ(1, listener.calls);
    ASSERT_EQ(4u, listener.results.size());
    EXPECT_TRUE(listener.results[0].Enabled);
    EXPECT_FALSE(listener.results[1].Enabled);

    EXPECT_EQ(34.0, ReadControl(root, 29).ProposedValue);
    EXPECT_EQ(32.0, ReadControl(root, 29).ActiveValue) << "proposed, not applied";
    EXPECT_EQ(32.0, ReadControl(root, 30).ProposedValue) << "refused values are not recorded";

    // Validation only: the answer without recording.
    ClientTuningProposal q[1] = {{31, 35}};
    ASSERT_TRUE(tuning->ProposeChange(q, 1, r, 1));
    EXPECT_TRUE(r[0].Enabled);
    EXPECT_EQ(31.0, ReadControl(root, 31).ProposedValue);
    tuning->SetOnProposeChangesListener(nullptr);
}

TEST(SimTuning, ApplyPersistsUntilReboot) {
    CSimSdkSession s(L"tuning_persist");
    IOverclockingSdk* root = s.InitRoot();
    ApplyRecorder applied;
    root->GetTuningLibrary()->SetOnApplyChangesListener(&applied);
    ASSERT_TRUE(OverclockFourCores(root));
    root->GetTuningLibrary()->SetOnApplyChangesListener(nullptr);
    EXPECT_EQ(std::vector<int>{1}, applied.outcomes);
    EXPECT_EQ(43.0, ReadControl(root, 29).ActiveValue);
    EXPECT_EQ(40.0, ReadControl(root, 32).ActiveValue);
    EXPECT_EQ(40.0, ReadControl(root, 29).DefaultValue);

    std::string state = TestPaths::ReadFileBytes(s.StatePath());
    EXPECT_NE(std::string::npos, state.find("[Active]\r\n"));
    EXPECT_NE(std::string::npos, state.find("29=43\r\n"));
    EXPECT_NE(std::string::npos, state.find("0xD0000002=4300\r\n"));

    // A new program run: the settings are still there.
    ASSERT_TRUE(s.Unload()) << "library must leave the process for this check";
    root = s.InitRoot();
    ClientTuningControl r1 = ReadControl(root, 29);
    EXPECT_EQ(43.0, r1.ActiveValue);
    EXPECT_EQ(43.0, r1.ProposedValue);
    EXPECT_EQ(41.0, ReadControl(root, 31).ActiveValue);

    // The reboot: the state file goes, the profile's values come back.
    ASSERT_TRUE(s.Unload());
    ASSERT_TRUE(DeleteFileW(s.StatePath().c_str()));
    root = s.InitRoot();
    EXPECT_EQ(40.0, ReadControl(root, 29).ActiveValue);
    EXPECT_EQ(4000.0, ReadControl(root, ControlId_Processor_Max_Turbo_Boost_CPU_Speed).ProposedValue);
}

TEST(SimTuning, RestoreProposesDefaults) {
    CSimSdkSession s(L"tuning_restore");
    IOverclockingSdk* root = s.InitRoot();
    ASSERT_TRUE(OverclockFourCores(root));
    ITuningLibrary* tuning = root->GetTuningLibrary();
    std::vector<ClientTuningProposal> p;
    for (uint32_t id : {29u, 30u, 31u, 32u}) p.push_back({id, ReadControl(root, id).DefaultValue});
    std::vector<ClientTuningProposalResult> r(p.size());
    ASSERT_TRUE(tuning->ProposeChange(p.data(), 4, r.data(), 0));
    ASSERT_TRUE(tuning->ApplyChanges(0));
    for (uint32_t id : {29u, 30u, 31u, 32u})
        EXPECT_EQ(ReadControl(root, id).DefaultValue, ReadControl(root, id).ActiveValue) << id;
    EXPECT_NE(std::string::npos, TestPaths::ReadFileBytes(s.StatePath()).find("29=40\r\n"));
}

TEST(SimTuning, TurboFollowsOneCoreRatio) {
    CSimSdkSession s(L"tuning_turbo");
    IOverclockingSdk* root = s.InitRoot();
    const uint32_t turboId = ControlId_Processor_Max_Turbo_Boost_CPU_Speed;
    EXPECT_EQ(4000.0, ReadControl(root, turboId).ProposedValue);

    ITuningLibrary* tuning = root->GetTuningLibrary();
    ClientTuningProposal p[1] = {{29, 45}};
    ClientTuningProposalResult r[1] = {};
    ASSERT_TRUE(tuning->ProposeChange(p, 1, r, 0));
    EXPECT_EQ(4000.0, ReadControl(root, turboId).ProposedValue) << "only what is active counts";
    ASSERT_TRUE(tuning->ApplyChanges(0));
    EXPECT_EQ(4500.0, ReadControl(root, turboId).ProposedValue);
    EXPECT_EQ(4500.0, ReadControl(root, turboId).ActiveValue);
    EXPECT_EQ(4000.0, ReadControl(root, turboId).DefaultValue);

    // Another core's ratio leaves the turbo frequency alone.
    ClientTuningProposal q[1] = {{30, 46}};
    ASSERT_TRUE(tuning->ProposeChange(q, 1, r, 0));
    ASSERT_TRUE(tuning->ApplyChanges(0));
    EXPECT_EQ(4500.0, ReadControl(root, turboId).ProposedValue);
}

TEST(SimTuning, RepeatedIdsTakeTheLastValue) {
    // A 12-core processor has more cores than ratio controls: the worker
    // proposes the 1-core ratio again for the extra cores.
    CSimSdkSession s(L"tuning_repeat");
    s.UseProfile(L"simcpu\\V9-7920X.ini");
    IOverclockingSdk* root = s.InitRoot();
    ClientTuningProposal p[3] = {{29, 46}, {29, 47}, {29, 48}};
    ClientTuningProposalResult r[3] = {};
    ASSERT_TRUE(root->GetTuningLibrary()->ProposeChange(p, 3, r, 0));
    for (const ClientTuningProposalResult& x : r) EXPECT_TRUE(x.Enabled);
    ASSERT_TRUE(root->GetTuningLibrary()->ApplyChanges(0));
    EXPECT_EQ(48.0, ReadControl(root, 29).ActiveValue);
}

TEST(SimTuning, ApplyFailureReportsToListener) {
    CSimSdkSession s(L"tuning_applyfail");
    s.WriteDefaultProfileWithFaults("ApplyFails=1");
    IOverclockingSdk* root = s.InitRoot();
    ApplyRecorder applied;
    root->GetTuningLibrary()->SetOnApplyChangesListener(&applied);
    EXPECT_FALSE(root->GetTuningLibrary()->ApplyChanges(0));
    root->GetTuningLibrary()->SetOnApplyChangesListener(nullptr);
    EXPECT_EQ(std::vector<int>{0}, applied.outcomes);
}

namespace {

// simcpu.exe beside the test's library: it reads that library's switch STATE.
DWORD RunSimCpu(const wchar_t* command) {
    return ChildRun::ExitCodeOf(TestPaths::Join(TestPaths::TestDir(), L"simcpu.exe"), std::wstring(L" ") + command);
}

}  // namespace

TEST(SimTuning, RebootToolForgetsAppliedSettings) {
    CSimSdkSession s(L"tuning_reboot_tool");
    IOverclockingSdk* root = s.InitRoot();
    ASSERT_TRUE(OverclockFourCores(root));
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(s.StatePath().c_str()));
    ASSERT_TRUE(s.Unload());

    EXPECT_EQ(0u, RunSimCpu(L"reboot"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(s.StatePath().c_str()));

    root = s.InitRoot();
    EXPECT_EQ(40.0, ReadControl(root, 29).ActiveValue);
}

TEST(SimTuning, ResumeToolDropsTheValuesOfALoadedLibrary) {
    CSimSdkSession s(L"tuning_resume_tool");
    IOverclockingSdk* root = s.InitRoot();
    ASSERT_TRUE(OverclockFourCores(root));
    ASSERT_TRUE(s.Root());
    EXPECT_EQ(43.0, ReadControl(root, 29).ActiveValue) << "its own write is no outside change";

    // The library stays loaded, as in a program that sleeps and resumes.
    EXPECT_EQ(0u, RunSimCpu(L"resume"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(s.StatePath().c_str()));
    root = s.Root();
    EXPECT_EQ(40.0, ReadControl(root, 29).ActiveValue);
    EXPECT_EQ(37.0, ReadControl(root, 32).ActiveValue);
}

// A path switch that leads out of the library's folder is refused with a
// record line: the applied values go to the library's own state file, and
// nothing is written where the switch pointed.
TEST(SimTuning, StateSwitchOutsideTheLibraryFolderIsRefused) {
    CSimSdkSession s(L"tuning_outside");
    const std::wstring dir = TestPaths::TestDir();
    const std::wstring outside = dir.substr(0, dir.find_last_of(L"\\/")) + L"\\escaped.state";
    const std::wstring own = TestPaths::Join(dir, L"OverclockingSdkWrapper.state");
    const std::wstring record = TestPaths::Join(dir, L"OverclockingSdkWrapper.calls.log");
    DeleteFileW(outside.c_str());
    DeleteFileW(own.c_str());
    DeleteFileW(record.c_str());
    for (const std::wstring& value : {std::wstring(L"..\\escaped.state"), outside}) {
        ScopedStandInSwitch away(L"OverclockingSdkWrapper", L"STATE", value);
        IOverclockingSdk* root = s.InitRoot();
        ASSERT_NE(nullptr, root);
        ASSERT_TRUE(OverclockFourCores(root));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(outside.c_str())) << TestPaths::Narrow(value);
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(own.c_str())) << TestPaths::Narrow(value);
        EXPECT_NE(std::string::npos,
                  TestPaths::ReadFileBytes(record).find("Refused\tSTATE=" + TestPaths::Narrow(value, CP_UTF8) +
                                                        "\toutside "))
            << TestPaths::ReadFileBytes(record);
        ASSERT_TRUE(s.Unload());
        DeleteFileW(own.c_str());
    }
    DeleteFileW(record.c_str());
}
