// The simulated processor describes what its profile says, through the SDK
// header only.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "sdk/SimSdkSession.h"
#include "support/TestPaths.h"

namespace {

std::wstring BrandOf(IOverclockingSdk* root) {
    wchar_t name[128] = {};
    root->GetSystemInfo()->GetProcessor()->GetName(name, 128);
    return name;
}

std::vector<ClientTuningControl> AllControls(IOverclockingSdk* root) {
    ITuningLibrary* tuning = root->GetTuningLibrary();
    uint32_t count = 0;
    EXPECT_TRUE(tuning->GetAvailableControls(nullptr, 0, &count));
    std::vector<ClientTuningControl> controls(count);
    uint32_t again = 0;
    EXPECT_TRUE(tuning->GetAvailableControls(controls.data(), count, &again));
    EXPECT_EQ(count, again);
    return controls;
}

}  // namespace

TEST(SimProfile, DefaultFourCoreModelReadsBack) {
    CSimSdkSession s(L"profile_default");
    IOverclockingSdk* root = s.Root();
    ASSERT_NE(nullptr, root);
    EXPECT_FALSE(root->IsInitOK()) << "not brought up before Init";
    root->Init();
    EXPECT_TRUE(root->IsInitOK());

    IProcessorInfo* cpu = root->GetSystemInfo()->GetProcessor();
    ASSERT_NE(nullptr, cpu);
    EXPECT_EQ(L"Dizaz(R) Velox(TM) V7-4760K CPU @ 3.60GHz", BrandOf(root));
    EXPECT_EQ(4, cpu->GetCoreCount());
    EXPECT_TRUE(cpu->IsOverclockEnabled());
    EXPECT_TRUE(root->GetTuningLibrary()->IsProcessorCoreTunable());
    EXPECT_NE(nullptr, root->GetMonitoringLibrary());

    std::vector<ClientTuningControl> controls = AllControls(root);
    std::vector<uint32_t> ids;
    for (const ClientTuningControl& c : controls) ids.push_back(c.Id);
    EXPECT_EQ((std::vector<uint32_t>{29, 30, 31, 32, 0xD0000002u, 0xD0000005u}), ids);

    ClientTuningControl r1 = ReadControl(root, 29);
    EXPECT_EQ(29u, r1.Id);
    EXPECT_EQ(40.0, r1.DefaultValue);
    EXPECT_EQ(40.0, r1.ActiveValue);
    EXPECT_EQ(40.0, r1.ProposedValue);
    EXPECT_STREQ(L"1-Core Ratio Limit", r1.Name);
    ASSERT_EQ(43u, r1.ValueCount);  // 8..50 by 1
    EXPECT_EQ(8.0, r1.Values[0]);
    EXPECT_EQ(50.0, r1.Values[42]);
    EXPECT_EQ(37.0, ReadControl(root, 32).DefaultValue);

    ClientTuningControl turbo = ReadControl(root, ControlId_Processor_Max_Turbo_Boost_CPU_Speed);
    EXPECT_EQ(4000.0, turbo.DefaultValue);
    EXPECT_EQ(4000.0, turbo.ProposedValue);
    EXPECT_EQ(0u, ReadControl(root, 42).Id) << "a 4-core model has no 5-core ratio";
}

TEST(SimProfile, ShippedModelsDiffer) {
    CSimSdkSession s(L"profile_models");
    s.UseProfile(L"simcpu\\V9-7920X.ini");
    IOverclockingSdk* root = s.InitRoot();
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(12, root->GetSystemInfo()->GetProcessor()->GetCoreCount());
    for (uint32_t id : {29u, 30u, 31u, 32u, 42u, 43u, 96u, 97u, 107u, 108u})
        EXPECT_EQ(id, ReadControl(root, id).Id) << id;
    EXPECT_EQ(4400.0, ReadControl(root, ControlId_Processor_Max_Turbo_Boost_CPU_Speed).ProposedValue);

    // Switching the profile in the same process takes effect at the next GetInterface.
    s.UseProfile(L"simcpu\\V7-4760K-NoTurbo.ini");
    root = s.Root();
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(4, root->GetSystemInfo()->GetProcessor()->GetCoreCount());
    EXPECT_EQ(0u, ReadControl(root, ControlId_Processor_Max_Turbo_Boost_CPU_Speed).Id);
    EXPECT_EQ(0u, ReadControl(root, ControlId_Processor_Core_Ratio).Id);
    EXPECT_EQ(40.0, ReadControl(root, 29).ProposedValue);

    s.UseProfile(L"simcpu\\V5-3330.ini");
    root = s.Root();
    EXPECT_EQ(L"Dizaz(R) Velox(TM) V5-3330 CPU @ 3.00GHz", BrandOf(root));
    ClientTuningControl r1 = ReadControl(root, 29);
    ASSERT_EQ(7u, r1.ValueCount);
    EXPECT_EQ(30.0, r1.Values[0]);
    EXPECT_EQ(36.0, r1.Values[6]);
}

TEST(SimProfile, DefaultProfileBesideTheLibrary) {
    CSimSdkSession s(L"profile_beside");
    s.UseDefaultProfile();
    IOverclockingSdk* root = s.InitRoot();
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(L"Dizaz(R) Velox(TM) V7-4760K CPU @ 3.60GHz", BrandOf(root));
}

TEST(SimProfile, EditedProfileFileIsReadAgain) {
    CSimSdkSession s(L"profile_edit");
    std::string text =
        "[Processor]\r\nBrandString=Dizaz(R) Velox(TM) V3-1000 CPU @ 2.00GHz\r\nCoreCount=2\r\n"
        "[R1]\r\nId=29\r\nName=One\r\nDefault=20\r\nValues=18,20,22\r\n"
        "[R2]\r\nId=30\r\nName=Two\r\nDefault=19\r\nActive=18\r\nProposed=22\r\nValues=18,19,20,22\r\n";
    std::wstring path = s.WriteProfile("edit.ini", text);
    IOverclockingSdk* root = s.InitRoot();
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(2, root->GetSystemInfo()->GetProcessor()->GetCoreCount());
    ClientTuningControl r2 = ReadControl(root, 30);
    EXPECT_EQ(19.0, r2.DefaultValue);
    EXPECT_EQ(18.0, r2.ActiveValue);
    EXPECT_EQ(22.0, r2.ProposedValue);
    EXPECT_STREQ(L"Two", r2.Name);

    // The same path with new content (and a different size) is noticed.
    std::string edited = text;
    edited.replace(edited.find("CoreCount=2"), 11, "CoreCount=16");
    Sleep(20);
    TestPaths::WriteFileBytes(path, edited);
    root = s.Root();
    EXPECT_EQ(16, root->GetSystemInfo()->GetProcessor()->GetCoreCount());
}

TEST(SimProfile, MissingProfileMeansNoSdk) {
    CSimSdkSession s(L"profile_missing");
    s.UseProfile(TestPaths::Join(s.Folder(), L"absent.ini"));
    EXPECT_EQ(nullptr, s.Root());
}

TEST(SimProfile, NameAndControlListRespectCallerCapacity) {
    CSimSdkSession s(L"profile_capacity");
    IOverclockingSdk* root = s.InitRoot();
    ASSERT_NE(nullptr, root);
    IProcessorInfo* cpu = root->GetSystemInfo()->GetProcessor();
    wchar_t small[8];
    for (wchar_t& c : small) c = L'#';
    EXPECT_FALSE(cpu->GetName(small, 6)) << "a cut name is not a success";
    EXPECT_STREQ(L"Dizaz", small);
    EXPECT_EQ(L'#', small[6]) << "nothing written past the capacity";

    ClientTuningControl two[3];
    std::memset(two, 0xCD, sizeof(two));
    uint32_t count = 0;
    EXPECT_TRUE(root->GetTuningLibrary()->GetAvailableControls(two, 2, &count));
    EXPECT_EQ(6u, count);
    EXPECT_EQ(29u, two[0].Id);
    EXPECT_EQ(30u, two[1].Id);
    EXPECT_EQ(0xCDCDCDCDu, two[2].Id);
}
