#include "support/AppFixture.h"

#include <windows.h>

#include "state/WindowMessages.h"
#include "support/AppUnderTest.h"
#include "support/ScreenProbe.h"
#include "support/TestPaths.h"
#include "support/WaitUntil.h"

namespace {
constexpr DWORD kWait = 30000;  // safety net only
}  // namespace

void ResetProcessor() { DeleteFileW(CAppUnderTest::StatePath().c_str()); }

std::wstring IniPath() { return CAppUnderTest::Folder() + L"\\Velotune.ini"; }

std::wstring FaultProfile(const wchar_t* name, const std::string& faults) {
    std::string base = TestPaths::ReadFileBytes(CAppUnderTest::Folder() + L"\\simcpu\\V7-4760K.ini");
    std::wstring path = CAppUnderTest::Folder() + L"\\" + name;
    TestPaths::WriteFileBytes(path, base + "\r\n" + faults + "\r\n");
    return path;
}

std::wstring SlowProfile(int delayMs) {
    const std::wstring ms = std::to_wstring(delayMs);
    return FaultProfile((L"test_slow" + ms + L".ini").c_str(), "DelayMs=" + std::to_string(delayMs));
}

std::wstring HoldPath() { return CAppUnderTest::Folder() + L"\\test_hold"; }

std::wstring HoldProfile(const std::string& faults) {
    return FaultProfile(L"test_hold.ini", "HoldWhileFile=" + TestPaths::Narrow(HoldPath()) + "\r\n" + faults);
}

void Hold(bool on) {
    if (on) ASSERT_TRUE(TestPaths::WriteFileBytes(HoldPath(), "held"));
    else DeleteFileW(HoldPath().c_str());
}

void ExpectRatios(const double* expected, const char* what, double (*read)(int control)) {
    static const wchar_t* const ids[] = {L"29", L"30", L"31", L"32"};
    for (int i = 0; i < 4; ++i)
        EXPECT_DOUBLE_EQ(read ? read(i) : CAppUnderTest::ActiveValue(ids[i]), expected[i]) << what << ", control " << i;
}

HWND OpenMenu(CAppUnderTest& app, HWND hwnd, HWND previous) {
    if (previous) WaitGone(previous);
    return app.OpenTrayMenu(hwnd);
}

bool WaitGone(HWND w) { return WaitUntil([&] { return !IsWindow(w); }, kWait); }

bool WaitVisible(HWND w) { return w && WaitUntil([&] { return IsWindowVisible(w) != FALSE; }, kWait); }

bool WaitHidden(HWND w) { return WaitUntil([&] { return !IsWindowVisible(w); }, kWait); }

namespace {
void ResetMachine() {
    ResetProcessor();
    DeleteFileW(IniPath().c_str());
    Hold(false);
}
}  // namespace

void AppFixture::SetUp() { ResetMachine(); }

// The test's program has ended by now: the runner is a local of the test body.
void AppFixture::TearDown() { ResetMachine(); }
