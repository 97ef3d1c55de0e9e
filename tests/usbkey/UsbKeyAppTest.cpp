// The real program with the simulated USB key: its button is the one-click
// action, and the key is told every state and frequency the window shows.
#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/Win32Owners.h"
#include "support/AppFixture.h"
#include "support/AppUnderTest.h"
#include "state/WindowMessages.h"
#include "support/TestPaths.h"

namespace {

constexpr DWORD kWait = 30000;  // safety net only

std::wstring RecordPath() { return CAppUnderTest::Folder() + L"\\UsbDll.calls.log"; }
std::string Record() { return TestPaths::ReadFileBytes(RecordPath()); }

int Count(const std::string& text, const std::string& needle) {
    int n = 0;
    for (size_t pos = text.find(needle); pos != std::string::npos; pos = text.find(needle, pos + 1)) ++n;
    return n;
}

bool WaitRecord(const std::string& needle, int count = 1) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < kWait; Sleep(50))
        if (Count(Record(), needle) >= count) return true;
    return false;
}

// A frequency the key was told (MHz) within 50 MHz of `mhz`: the simulated
// readings wander a little around the set clock.
bool WaitFqNear(double mhz, int count = 1) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < kWait; Sleep(50)) {
        std::string rec = Record();
        int n = 0;
        for (size_t pos = rec.find("SetFq\t"); pos != std::string::npos; pos = rec.find("SetFq\t", pos + 1))
            if (std::abs(std::atof(rec.c_str() + pos + 6) - mhz) < 50) ++n;
        if (n >= count) return true;
    }
    return false;
}

void PressKey() {
    vt::UniqueHandle press(OpenEventW(EVENT_MODIFY_STATE, FALSE, L"Local\\VelotuneUsbKeyPress"));
    ASSERT_NE(press.Get(), nullptr) << "the key library is started";
    SetEvent(press.Get());
}

void Reset() {
    DeleteFileW(CAppUnderTest::StatePath().c_str());
    DeleteFileW(RecordPath().c_str());
}

// The event's DACL grants SYSTEM and the Administrators, and nobody else.
// Wine runs every process as an administrator and would let anyone in
// anyway: the rule is checked on the object itself.
void ExpectOnlySystemAndAdmins(const wchar_t* name) {
    vt::UniqueHandle event(OpenEventW(READ_CONTROL, FALSE, name));
    ASSERT_NE(event.Get(), nullptr) << "open " << TestPaths::Narrow(name);
    PACL dacl = nullptr;
    vt::UniqueLocal sd;
    ASSERT_EQ(GetSecurityInfo(event.Get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                              nullptr, reinterpret_cast<PSECURITY_DESCRIPTOR*>(sd.Put())),
              (DWORD)ERROR_SUCCESS);
    ASSERT_NE(dacl, nullptr) << "a null DACL lets everyone in";
    std::vector<std::wstring> trustees;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
        ASSERT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        vt::UniqueLocal text;
        ASSERT_TRUE(ConvertSidToStringSidW(&ace->SidStart, reinterpret_cast<LPWSTR*>(text.Put())));
        trustees.push_back(static_cast<const wchar_t*>(text.Get()));
    }
    EXPECT_EQ(trustees, (std::vector<std::wstring>{L"S-1-5-18", L"S-1-5-32-544"})) << TestPaths::Narrow(name);
}

}  // namespace

TEST(AppUsbKey, ButtonOverclocksThenRestoresAndIsIgnoredDuringARun) {
    Reset();
    CAppUnderTest app;
    app.UseProfile(SlowProfile());
    HWND hwnd = app.StartReady();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(CAppUnderTest::WaitLog("[CZozeDEWrapper] Init true", kWait));
    EXPECT_TRUE(CAppUnderTest::WaitLog("[CZozeDEMgr] SetMode mode=1 nRet=0", kWait));
    // The stock reading, about 4.0 GHz, in MHz.
    ASSERT_TRUE(WaitFqNear(4000));
    std::string start = Record();
    EXPECT_EQ(start.find("Init\t0\r\nRegisterGetCPU\r\nRegisterGetMode\r\nRegisterGetOverLockState\r\n"
                         "RegisterOverLock\r\nSetMode\t1\r\n"),
              0u)
        << start;

    // Status 0: the button overclocks; a second press during the run is dropped.
    PressKey();
    ASSERT_TRUE(CAppUnderTest::WaitLog("DoHandle() STATUS_OVERCLOCK_INIT", kWait));
    PressKey();
    ASSERT_TRUE(CAppUnderTest::WaitLog("[DoHandle] status=1", kWait));
    ASSERT_TRUE(WaitRecord("SetOverLockState\t1\r\n"));
    EXPECT_TRUE(WaitFqNear(4300));
    EXPECT_EQ(CAppUnderTest::CountInLog("DoHandle() STATUS_OVERCLOCK_INIT"), 1);
    EXPECT_EQ(CAppUnderTest::CountInLog("[Overclocking] in"), 1);
    EXPECT_EQ(CAppUnderTest::ActiveValue(L"29"), 43);
    EXPECT_NE(Record().find("Press\tstate=0\tfq="), std::string::npos) << Record();
    EXPECT_NE(Record().find("\tmode=1\r\n"), std::string::npos) << Record();

    // Status 2: the button restores.
    ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::UpdateStatus : nStatus : 2", kWait));
    int zeros = Count(Record(), "SetOverLockState\t0\r\n");
    PressKey();
    ASSERT_TRUE(CAppUnderTest::WaitLog("DoHandle() STATUS_REOVERCLOCK_ING", kWait));
    ASSERT_TRUE(WaitRecord("SetOverLockState\t0\r\n", zeros + 1));
    EXPECT_TRUE(WaitFqNear(4000, 2));
    EXPECT_EQ(CAppUnderTest::ActiveValue(L"29"), 40);
    EXPECT_TRUE(CAppUnderTest::WaitLog("[OverLockCallbackFunction] dwType=1", kWait, 3));
    EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
    // The key was let go before the window: its callbacks withdrawn, its thread ended.
    std::string end = "RegisterGetCPU\t(null)\r\nRegisterGetMode\t(null)\r\nRegisterGetOverLockState\t(null)\r\n"
                      "RegisterOverLock\t(null)\r\nRelease\r\n";
    std::string record = Record();
    ASSERT_GE(record.size(), end.size());
    EXPECT_EQ(record.substr(record.size() - end.size()), end) << record;
    EXPECT_EQ(CAppUnderTest::CountInLog("[CZozeDEMgr] Release"), 1);
}

TEST(AppUsbKey, MissingKeyLibraryOnlyLogsAndTheProgramWorksOn) {
    Reset();
    std::wstring dll = CAppUnderTest::Folder() + L"\\UsbDll.dll";
    std::wstring aside = CAppUnderTest::Folder() + L"\\UsbDll.dll.aside";
    ASSERT_TRUE(MoveFileExW(dll.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING));
    CAppUnderTest app;
    bool started = app.Start();
    HWND hwnd = started ? app.WaitMainWindow(0, kWait) : nullptr;
    if (hwnd) {
        EXPECT_TRUE(CAppUnderTest::WaitLog("CMainFrame::InitViewInfo Exit", kWait));
        EXPECT_TRUE(CAppUnderTest::WaitLog("[CZozeDEMgr] Init FAILED", kWait));
        EXPECT_TRUE(CAppUnderTest::WaitLog("[CZozeDEMgr] SetMode mode=1 nRet=-1", kWait));
        EXPECT_TRUE(CAppUnderTest::WaitLog("[CZozeDEMgr] SetFq fq=", kWait));
        EXPECT_EQ(CAppUnderTest::CountInLog(" nRet=0"), 0);
        EXPECT_EQ(CAppUnderTest::CountInLog("[CZozeDEWrapper] Init"), 0) << "no line when the library is missing";
        // The one-click action still works, and the key is told of it.
        CAppUnderTest::AskForAction(hwnd);
        EXPECT_TRUE(CAppUnderTest::WaitLog("[CZozeDEMgr] SetOverLockState state=1 nRet=-1", kWait));
        EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
    }
    MoveFileExW(aside.c_str(), dll.c_str(), MOVEFILE_REPLACE_EXISTING);
    EXPECT_TRUE(started);
    EXPECT_NE(hwnd, nullptr);
    EXPECT_EQ(GetFileAttributesW(RecordPath().c_str()), INVALID_FILE_ATTRIBUTES);
}

namespace {

std::wstring NotifierRecordPath() { return CAppUnderTest::Folder() + L"\\OCWmiEvent.calls.log"; }
std::string NotifierRecord() { return TestPaths::ReadFileBytes(NotifierRecordPath()); }

bool WaitNotifierRecord(const std::string& needle, int count = 1) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < kWait; Sleep(50))
        if (Count(NotifierRecord(), needle) >= count) return true;
    return false;
}

void RaiseNotifierEvent() {
    vt::UniqueHandle raise(OpenEventW(EVENT_MODIFY_STATE, FALSE, L"Local\\VelotuneOcWmiEvent"));
    ASSERT_NE(raise.Get(), nullptr) << "the notifier was started";
    SetEvent(raise.Get());
}

}  // namespace

TEST(AppNotifier, EventIsTheOneClickActionAndTheFlagFollowsTheStatus) {
    Reset();
    DeleteFileW(NotifierRecordPath().c_str());
    CAppUnderTest app;
    HWND hwnd = app.StartReady();
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(WaitNotifierRecord("Start\r\n"));
    int zeros = Count(NotifierRecord(), "SetOCFlag\t0\r\n");
    ExpectOnlySystemAndAdmins(L"Local\\VelotuneOcWmiEvent");
    ExpectOnlySystemAndAdmins(L"Local\\VelotuneUsbKeyPress");

    RaiseNotifierEvent();
    ASSERT_TRUE(CAppUnderTest::WaitLog("DoHandle() STATUS_OVERCLOCK_INIT", kWait));
    ASSERT_TRUE(WaitNotifierRecord("SetOCFlag\t1\r\n"));
    EXPECT_EQ(CAppUnderTest::ActiveValue(L"29"), 43);

    RaiseNotifierEvent();
    ASSERT_TRUE(CAppUnderTest::WaitLog("DoHandle() STATUS_REOVERCLOCK_ING", kWait));
    ASSERT_TRUE(WaitNotifierRecord("SetOCFlag\t0\r\n", zeros + 1));
    EXPECT_TRUE(CAppUnderTest::WaitLog("CMainFrame::UpdateStatus : nStatus : 0", kWait, 2));
    EXPECT_EQ(CAppUnderTest::ActiveValue(L"29"), 40);
    EXPECT_EQ(Count(NotifierRecord(), "Event\t1\r\n"), 2);

    EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
    EXPECT_NE(NotifierRecord().find("Stop\r\n"), std::string::npos);
}

TEST(AppNotifier, LibraryMissingAnExportIsUnloadedAndIgnored) {
    Reset();
    DeleteFileW(NotifierRecordPath().c_str());
    std::wstring dll = CAppUnderTest::Folder() + L"\\OCWmiEvent.dll";
    std::wstring aside = CAppUnderTest::Folder() + L"\\OCWmiEvent.dll.aside";
    std::wstring noFlag = CAppUnderTest::Folder() + L"\\OCWmiEventNoFlag.dll";
    ASSERT_TRUE(MoveFileExW(dll.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING));
    ASSERT_TRUE(CopyFileW(noFlag.c_str(), dll.c_str(), FALSE));
    CAppUnderTest app;
    bool started = app.Start();
    HWND hwnd = started ? app.WaitMainWindow(0, kWait) : nullptr;
    if (hwnd) {
        EXPECT_TRUE(CAppUnderTest::WaitLog("CMainFrame::InitViewInfo Exit", kWait));
        CAppUnderTest::AskForAction(hwnd);
        EXPECT_TRUE(CAppUnderTest::WaitLog("CMainFrame::UpdateStatus : nStatus : 2", kWait));
        EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
    }
    MoveFileExW(aside.c_str(), dll.c_str(), MOVEFILE_REPLACE_EXISTING);
    EXPECT_TRUE(started);
    EXPECT_NE(hwnd, nullptr);
    EXPECT_EQ(GetFileAttributesW(NotifierRecordPath().c_str()), INVALID_FILE_ATTRIBUTES) << "never started";
}

// A neighbour without administrator rights makes both trigger events first,
// open to everyone, and sets them whenever it likes: the key and the
// notifier refuse events they did not make, so nothing overclocks.
TEST(AppNotifier, TriggerEventsMadeFirstByAnotherProcessOverclockNothing) {
    Reset();
    DeleteFileW(NotifierRecordPath().c_str());
    vt::UniqueLocal everyoneSd;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;GA;;;WD)", SDDL_REVISION_1,
                                                                     everyoneSd.Put(), nullptr));
    SECURITY_ATTRIBUTES everyone = {sizeof(everyone), everyoneSd.Get(), FALSE};
    vt::UniqueHandle key(CreateEventW(&everyone, FALSE, FALSE, L"Local\\VelotuneUsbKeyPress"));
    vt::UniqueHandle flag(CreateEventW(&everyone, FALSE, FALSE, L"Local\\VelotuneOcWmiEvent"));
    ASSERT_TRUE(key.Valid() && flag.Valid());
    CAppUnderTest app;
    HWND hwnd = app.StartReady();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(WaitRecord("Refused\tLocal\\VelotuneUsbKeyPress\texists already\r\n"));
    EXPECT_TRUE(WaitNotifierRecord("Refused\tLocal\\VelotuneOcWmiEvent\texists already\r\n"));
    const double before = CAppUnderTest::ActiveValue(L"29");
    // Nothing waits on them: no thread was started for an event refused.
    SetEvent(key.Get());
    SetEvent(flag.Get());
    // Nor does a neighbour posting what the libraries post, or a second
    // "SDK ready": each is taken only for an event that is under way.
    PostMessageW(hwnd, UM_USBKEY_EVENT, 1, 0);
    PostMessageW(hwnd, UM_WMI_EVENT, 1, 0);
    PostMessageW(hwnd, UM_SDK_INIT_FINISH, 0, 1);
    EXPECT_TRUE(CAppUnderTest::WaitLog("UM_SDK_INIT_FINISH ignored: nothing of the kind is under way", kWait));
    EXPECT_EQ(CAppUnderTest::CountInLog("ignored: no such event was reported"), 2);
    EXPECT_EQ(CAppUnderTest::CountInLog("hot key Ctrl+Alt+"), 1) << "registered once";
    EXPECT_EQ(CAppUnderTest::ActiveValue(L"29"), before);
    EXPECT_NE(before, 43);
    EXPECT_EQ(CAppUnderTest::CountInLog("DoHandle()"), 0);
    EXPECT_EQ(Record().find("\nPress\t"), std::string::npos) << Record();
    EXPECT_EQ(NotifierRecord().find("\nEvent\t"), std::string::npos) << NotifierRecord();
    EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
}
