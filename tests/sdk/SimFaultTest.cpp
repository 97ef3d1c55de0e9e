// Every fault switch of the profile makes the SDK fail the way the
// program's workers must cope with.
#include <gtest/gtest.h>

#include "sdk/SimSdkSession.h"
#include "support/PlatformFaults.h"
#include "tuning/SdkGuard.h"

TEST(SimFaults, BringUpAndProcessorFaults) {
    CSimSdkSession s(L"faults_bringup");
    s.WriteDefaultProfileWithFaults("NoRoot=1");
    EXPECT_EQ(nullptr, s.Root());

    s.WriteProfile("init.ini", CSimSdkSession::ShippedProfile("V7-4760K.ini") + "\r\nInitFails=1\r\n");
    IOverclockingSdk* root = s.InitRoot();
    ASSERT_NE(nullptr, root);
    EXPECT_FALSE(root->IsInitOK());

    s.WriteProfile("sysinfo.ini", CSimSdkSession::ShippedProfile("V7-4760K.ini") + "\r\nNoSystemInfo=1\r\n");
    root = s.InitRoot();
    EXPECT_TRUE(root->IsInitOK());
    EXPECT_EQ(nullptr, root->GetSystemInfo());

    s.WriteProfile("proc.ini", CSimSdkSession::ShippedProfile("V7-4760K.ini") + "\r\nNoProcessor=1\r\n");
    root = s.InitRoot();
    ASSERT_NE(nullptr, root->GetSystemInfo());
    EXPECT_EQ(nullptr, root->GetSystemInfo()->GetProcessor());

    s.WriteProfile("oc.ini", CSimSdkSession::ShippedProfile("V7-4760K.ini") + "\r\nOverclockDisabled=1\r\n");
    root = s.InitRoot();
    EXPECT_FALSE(root->GetSystemInfo()->GetProcessor()->IsOverclockEnabled());

    s.WriteProfile("tun.ini", CSimSdkSession::ShippedProfile("V7-4760K.ini") + "\r\nCoresNotTunable=1\r\n");
    root = s.InitRoot();
    EXPECT_FALSE(root->GetTuningLibrary()->IsProcessorCoreTunable());

    s.WriteProfile("libs.ini", CSimSdkSession::ShippedProfile("V7-4760K.ini") +
                                   "\r\nNoTuningLibrary=1\r\nNoMonitoringLibrary=1\r\n");
    root = s.InitRoot();
    EXPECT_EQ(nullptr, root->GetTuningLibrary());
    EXPECT_EQ(nullptr, root->GetMonitoringLibrary());

    // Back on the healthy profile everything is there again.
    s.UseProfile(L"simcpu\\V7-4760K.ini");
    root = s.InitRoot();
    EXPECT_TRUE(root->IsInitOK());
    EXPECT_NE(nullptr, root->GetTuningLibrary());
    EXPECT_TRUE(root->GetSystemInfo()->GetProcessor()->IsOverclockEnabled());
}

TEST(SimFaults, GetControlFailsForChosenIds) {
    CSimSdkSession s(L"faults_getcontrol");
    s.WriteDefaultProfileWithFaults("GetControlFailsFor=30, 0xD0000002");
    IOverclockingSdk* root = s.InitRoot();
    ITuningLibrary* tuning = root->GetTuningLibrary();
    ClientTuningControl c;
    EXPECT_TRUE(tuning->GetControl(29, &c));
    EXPECT_FALSE(tuning->GetControl(30, &c));
    EXPECT_TRUE(tuning->GetControl(31, &c));
    EXPECT_FALSE(tuning->GetControl(ControlId_Processor_Max_Turbo_Boost_CPU_Speed, &c));
    EXPECT_FALSE(tuning->GetControl(12345, &c)) << "unknown ids fail too";
}

TEST(SimFaults, ProposeAndApplyFaults) {
    CSimSdkSession s(L"faults_propose");
    ClientTuningProposal p[2] = {{29, 43}, {30, 42}};
    ClientTuningProposalResult r[2] = {};

    s.WriteDefaultProfileWithFaults("ProposeFails=1");
    ITuningLibrary* tuning = s.InitRoot()->GetTuningLibrary();
    EXPECT_FALSE(tuning->ProposeChange(p, 2, r, 0));
    EXPECT_EQ(40.0, ReadControl(s.Root(), 29).ProposedValue);

    s.WriteProfile("disabled.ini", CSimSdkSession::ShippedProfile("V7-4760K.ini") + "\r\nResultDisabled=1\r\n");
    tuning = s.InitRoot()->GetTuningLibrary();
    EXPECT_TRUE(tuning->ProposeChange(p, 2, r, 0));
    EXPECT_FALSE(r[0].Enabled);
    EXPECT_FALSE(r[1].Enabled);
    EXPECT_EQ(40.0, ReadControl(s.Root(), 29).ProposedValue) << "a refused value is not recorded";

    s.WriteProfile("reboot.ini", CSimSdkSession::ShippedProfile("V7-4760K.ini") + "\r\nResultRebootRequired=1\r\n");
    tuning = s.InitRoot()->GetTuningLibrary();
    EXPECT_TRUE(tuning->ProposeChange(p, 2, r, 0));
    EXPECT_TRUE(r[0].Enabled);
    EXPECT_TRUE(r[0].RebootRequired);
    EXPECT_TRUE(r[1].RebootRequired);

    s.WriteProfile("apply.ini", CSimSdkSession::ShippedProfile("V7-4760K.ini") + "\r\nApplyFails=1\r\n");
    tuning = s.InitRoot()->GetTuningLibrary();
    EXPECT_TRUE(tuning->ProposeChange(p, 2, r, 0));
    EXPECT_FALSE(tuning->ApplyChanges(0));
    EXPECT_EQ(40.0, ReadControl(s.Root(), 29).ActiveValue);
    EXPECT_EQ(43.0, ReadControl(s.Root(), 29).ProposedValue) << "left pending";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(s.StatePath().c_str()));
}

TEST(SimFaults, MonitorFaults) {
    CSimSdkSession s(L"faults_monitor");
    s.WriteDefaultProfileWithFaults("MonitorNeverReady=1");
    IMonitoringLibrary* monitor = s.InitRoot()->GetMonitoringLibrary();
    ASSERT_NE(nullptr, monitor);
    monitor->BeginMonitoring();
    EXPECT_FALSE(monitor->MonitorIsReady(MonitorId_Processor_Frequency));
    monitor->EndMonitoring();

    // The library fails the way one built by the vendor's compiler fails:
    // with structured exceptions, which only the guard sees, on both builds.
    struct Case {
        const char* faults;
        DWORD code;
    } cases[] = {
        {"MonitorThrows=1", 0xE06D7363},
        {"RaiseIn=GetMonitorValue\r\nRaiseKind=access", PlatformFaults::AccessViolationCode()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faults);
        s.WriteProfile("throws.ini", CSimSdkSession::ShippedProfile("V7-4760K.ini") + "\r\n" + c.faults + "\r\n");
        monitor = s.InitRoot()->GetMonitoringLibrary();
        EXPECT_TRUE(monitor->MonitorIsReady(MonitorId_Processor_Frequency));
        DWORD code = 0;
        double value = -1;
        EXPECT_FALSE(CSdkGuard::Call([](void* p) {
            auto* m = static_cast<IMonitoringLibrary*>(p);
            m->GetMonitorValue(MonitorId_Processor_Frequency);
        }, monitor, &code));
        EXPECT_EQ(PlatformFaults::Hex(c.code), PlatformFaults::Hex(code));
        // The guard leaves the thread fit for more calls, guarded or not.
        EXPECT_TRUE(CSdkGuard::Run("MonitorIsReady", [&] { value = monitor->MonitorIsReady(MonitorId_Processor_Frequency); }));
        EXPECT_EQ(1.0, value);
    }
    // Any named call, and a guard inside a guard.
    s.WriteProfile("raises.ini", CSimSdkSession::ShippedProfile("V7-4760K.ini") + "\r\nRaiseIn=GetControl\r\n");
    ITuningLibrary* tuning = s.InitRoot()->GetTuningLibrary();
    ClientTuningControl control{};
    bool innerFailed = false;
    EXPECT_TRUE(CSdkGuard::Run("outer", [&] {
        innerFailed = !CSdkGuard::Value("GetControl", SdkBool(0), [&] { return tuning->GetControl(29, &control); });
    }));
    EXPECT_TRUE(innerFailed);
}

TEST(SimFaults, DelayMakesEveryCallSlow) {
    CSimSdkSession s(L"faults_delay");
    s.WriteDefaultProfileWithFaults("DelayMs=150");
    IOverclockingSdk* root = s.InitRoot();
    ASSERT_NE(nullptr, root);
    // Lower bounds only: each call waits at least the delay.
    DWORD start = GetTickCount();
    root->IsInitOK();
    root->GetTuningLibrary();
    EXPECT_GE(GetTickCount() - start, 280u);
}
