// The USB key manager with the stand-in key library loaded into the test
// program: what the library is told, what the callbacks answer, and how a
// library that will not start is handled.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "base/Win32Owners.h"
#include "support/LogCapture.h"
#include "support/StandInSwitch.h"
#include "support/TestPaths.h"
#include "usbkey/ZozeDEMgr.h"

namespace {

// The key's own files beside the test's copy of it.
std::wstring RecordPath() { return TestPaths::Join(TestPaths::TestDir(), L"UsbDll.calls.log"); }

std::string Record() { return TestPaths::ReadFileBytes(RecordPath()); }

int CountRelease(const std::string& record) {
    int n = 0;
    for (size_t at = record.find("Release\r\n"); at != std::string::npos; at = record.find("Release\r\n", at + 1)) ++n;
    return n;
}

// What Init answers, for the rest of the test program.
void UseInitResult(int result) {
    static std::unique_ptr<ScopedStandInSwitch> answer;
    answer.reset();
    answer = std::make_unique<ScopedStandInSwitch>(L"UsbDll", L"InitResult", std::to_wstring(result),
                                                   TestPaths::TestDir(), L"UsbKey");
    DeleteFileW(RecordPath().c_str());
}

// Runs first: the values shared with the callbacks start at zero.
TEST(UsbKeyCallbacks, AnswerZeroBeforeAnythingIsSet) {
    for (int type : {0, 3, 77}) {
        float fq = -1.0f;
        int mode = -1, state = -1;
        EXPECT_EQ(CZozeDEMgr::CPUCallbackFunction(type, 0, &fq), 0);
        EXPECT_EQ(CZozeDEMgr::ModeCallbackFunction(type, 0, &mode), 0);
        EXPECT_EQ(CZozeDEMgr::StateCallbackFunction(type, 0, &state), 0);
        EXPECT_EQ(fq, 0.0f);
        EXPECT_EQ(mode, 0);
        EXPECT_EQ(state, 0);
    }
    // No window and no event function yet: a press goes nowhere.
    EXPECT_EQ(CZozeDEMgr::OverLockCallbackFunction(1, 0, nullptr), 0);
}

TEST(UsbKeyInit, LibraryThatWillNotStartIsUnloadedAndSettersOnlyLog) {
    UseInitResult(5);
    // A full record from a long run moves aside before the next call.
    const std::wstring old = RecordPath() + L".old";
    DeleteFileW(old.c_str());
    ASSERT_TRUE(TestPaths::WriteFileBytes(RecordPath(), std::string(1024 * 1024, 'x')));
    LogCapture log;
    CZozeDEMgr mgr;
    EXPECT_EQ(mgr.Init(nullptr, nullptr), 0);
    EXPECT_TRUE(log.HasText("[CZozeDEWrapper] Init false nRet=5"));
    EXPECT_TRUE(log.HasText("[CZozeDEMgr] Init FAILED"));
    mgr.SetOverLockState(1);
    mgr.SetFq(3960.0f);
    mgr.SetMode(1);
    EXPECT_TRUE(log.HasText("[CZozeDEMgr] SetOverLockState state=1 nRet=-1"));
    EXPECT_TRUE(log.HasText("[CZozeDEMgr] SetFq fq=3960.000000 nRet=-1"));
    EXPECT_TRUE(log.HasText("[CZozeDEMgr] SetMode mode=1 nRet=-1"));
    // Only Init reached the library; nothing was registered or passed on.
    EXPECT_EQ(Record(), "Init\t5\r\n");
    EXPECT_EQ(TestPaths::ReadFileBytes(old).size(), 1024u * 1024u);
    // The values are still stored for the callbacks.
    float fq = 0;
    int state = 0;
    CZozeDEMgr::CPUCallbackFunction(3, 0, &fq);
    CZozeDEMgr::StateCallbackFunction(2, 0, &state);
    EXPECT_EQ(fq, 3960.0f);
    EXPECT_EQ(state, 1);
    mgr.SetOverLockState(0);
}

TEST(UsbKeyInit, ReadyLibraryIsToldEveryChangeAndAsksThroughTheCallbacks) {
    UseInitResult(0);
    LogCapture log;
    CZozeDEMgr mgr;
    ASSERT_EQ(mgr.Init(nullptr, nullptr), 1);
    EXPECT_TRUE(log.HasText("[CZozeDEWrapper] Init true"));
    EXPECT_FALSE(log.HasText("[CZozeDEMgr] Init FAILED"));
    mgr.SetMode(1);
    mgr.SetOverLockState(1);
    mgr.SetFq(3960.0f);
    mgr.SetOverLockState(0);
    EXPECT_TRUE(log.HasText("[CZozeDEMgr] SetMode mode=1 nRet=0"));
    EXPECT_TRUE(log.HasText("[CZozeDEMgr] SetOverLockState state=1 nRet=0"));
    EXPECT_TRUE(log.HasText("[CZozeDEMgr] SetFq fq=3960.000000 nRet=0"));
    EXPECT_TRUE(log.HasText("[CZozeDEMgr] SetOverLockState state=0 nRet=0"));
    EXPECT_EQ(Record(),
              "Init\t0\r\nRegisterGetCPU\r\nRegisterGetMode\r\nRegisterGetOverLockState\r\nRegisterOverLock\r\n"
              "SetMode\t1\r\nSetOverLockState\t1\r\nSetFq\t3960.000\r\nSetOverLockState\t0\r\n");

    // The key holds its record open between calls, and lets it go once the
    // file is no longer at its path (moved aside, as by another process's
    // rotation, or deleted): the next line starts a new record.
    const std::string held = Record();
    const std::wstring moved = RecordPath() + L".moved";
    DeleteFileW(moved.c_str());
    ASSERT_TRUE(MoveFileExW(RecordPath().c_str(), moved.c_str(), MOVEFILE_REPLACE_EXISTING));
    mgr.SetFq(3960.0f);
    EXPECT_EQ(Record(), "SetFq\t3960.000\r\n");
    EXPECT_EQ(TestPaths::ReadFileBytes(moved), held);
    DeleteFileW(moved.c_str());

    // The button: the key reads what it shows through the callbacks; with
    // no window the press itself posts nothing.
    vt::UniqueHandle press(OpenEventW(EVENT_MODIFY_STATE, FALSE, L"Local\\VelotuneUsbKeyPress"));
    ASSERT_NE(press.Get(), nullptr);
    SetEvent(press.Get());
    press.Reset();
    for (int i = 0; i < 300 && Record().find("Press") == std::string::npos; ++i) Sleep(20);
    EXPECT_NE(Record().find("Press\tstate=0\tfq=3960.000\tmode=1\r\n"), std::string::npos);
    for (int i = 0; i < 300 && !log.HasText("[OverLockCallbackFunction] dwType=1"); ++i) Sleep(20);
    EXPECT_TRUE(log.HasText("[StateCallbackFunction] dwType=2"));
    EXPECT_TRUE(log.HasText("[CPUCallbackFunction] dwType=3"));
    EXPECT_TRUE(log.HasText("[ModeCallbackFunction] dwType=4"));
    EXPECT_TRUE(log.HasText("[OverLockCallbackFunction] dwType=1"));
}

TEST(UsbKeyRelease, TheLibraryIsReleasedBeforeTheManagerGoesAndCallsNothingAfterwards) {
    UseInitResult(0);
    LogCapture log;
    {
        CZozeDEMgr mgr;
        ASSERT_EQ(mgr.Init(nullptr, nullptr), 1);
    }
    EXPECT_EQ(Record(),
              "Init\t0\r\nRegisterGetCPU\r\nRegisterGetMode\r\nRegisterGetOverLockState\r\nRegisterOverLock\r\n"
              "RegisterGetCPU\t(null)\r\nRegisterGetMode\t(null)\r\nRegisterGetOverLockState\t(null)\r\n"
              "RegisterOverLock\t(null)\r\nRelease\r\n");
    EXPECT_TRUE(log.HasText("[CZozeDEMgr] Release"));
    // Released, not unloaded: the library's own thread may still be leaving.
    EXPECT_NE(GetModuleHandleW(L"UsbDll.dll"), nullptr) << "the key library stays loaded until the process ends";
    // And after an explicit release the destructor adds nothing.
    UseInitResult(0);
    {
        CZozeDEMgr mgr;
        ASSERT_EQ(mgr.Init(nullptr, nullptr), 1);
        mgr.Release();
    }
    EXPECT_EQ(CountRelease(Record()), 1);
}

}  // namespace
