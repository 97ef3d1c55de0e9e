// One instance per machine: the guard file in an administrators' folder
// under ProgramData (and the one in the program's folder, for the setup
// program), and the first instance's window brought to the front by the
// second.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/Win32Owners.h"
#include "shell/AppSingleton.h"
#include "shell/ShellTestSeams.h"
#include "support/LogCapture.h"
#include "support/TestPaths.h"
#include "support/WaitUntil.h"

namespace {

struct Seen {
    UINT msg;
    WPARAM wParam;
    HWND insertAfter;
};
std::vector<Seen> g_seen;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SYSCOMMAND) {
        g_seen.push_back({msg, wp, nullptr});
        // What a real window does with the restore command.
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    if (msg == WM_WINDOWPOSCHANGING) {
        const WINDOWPOS* pos = reinterpret_cast<const WINDOWPOS*>(lp);
        if (!(pos->flags & SWP_NOZORDER)) g_seen.push_back({msg, 0, pos->hwndInsertAfter});
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// A top-level window of the program's class, hidden like one sent to the tray.
class VelotuneWindow {
public:
    VelotuneWindow() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = RecordingProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = AppSingleton::kWindowClass;
        RegisterClassW(&wc);
        m_hwnd = CreateWindowExW(WS_EX_TOOLWINDOW, AppSingleton::kWindowClass, L"Velotune", WS_POPUP, 10, 10, 200,
                                 150, nullptr, nullptr, wc.hInstance, nullptr);
        g_seen.clear();
    }
    ~VelotuneWindow() {
        if (m_hwnd) DestroyWindow(m_hwnd);
        UnregisterClassW(AppSingleton::kWindowClass, GetModuleHandleW(nullptr));
    }
    HWND Get() const { return m_hwnd; }

private:
    HWND m_hwnd = nullptr;
};

TEST(AppSingletonTest, FirstAcquireHoldsTheGuardAndASecondIsRefused) {
    {
        AppSingleton first;
        EXPECT_FALSE(first.HasHandle());
        EXPECT_TRUE(first.Acquire());
        EXPECT_TRUE(first.HasHandle());
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(AppSingleton::GuardPath().c_str()));

        AppSingleton second;
        EXPECT_FALSE(second.Acquire());
        EXPECT_FALSE(second.HasHandle());

        AppSingleton third;
        EXPECT_FALSE(third.Acquire());
    }
    // Every handle gone with its guard, and the file with it: the next start
    // is the first again.
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(AppSingleton::GuardPath().c_str()));
    AppSingleton again;
    EXPECT_TRUE(again.Acquire());
}

std::wstring MachineGuard() { return AppSingleton::MachineFolder() + L"\\Velotune.lock"; }

TEST(AppSingletonTest, OneGuardPerMachineWhateverTheFolder) {
    // A copy installed in another folder holds the machine's guard.
    const std::wstring folder = AppSingleton::MachineFolder();
    ASSERT_FALSE(folder.empty());
    {
        AppSingleton first;
        ASSERT_TRUE(first.Acquire());
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(MachineGuard().c_str()));
    }
    // Held as a copy elsewhere holds it, naming a process that is not this
    // one: this process's window of the class is then anyone's decoy.
    vt::UniqueHandle other(CreateFileW(MachineGuard().c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                       OPEN_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    ASSERT_TRUE(other.Valid());
    const DWORD holder = GetCurrentProcessId() + 4;
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(other.Get(), &holder, sizeof(holder), &written, nullptr));
    {
        VelotuneWindow decoy;
        const LogCapture log;
        AppSingleton second;
        EXPECT_FALSE(second.Acquire());
        EXPECT_TRUE(g_seen.empty()) << "the decoy got nothing";
        EXPECT_TRUE(log.HasText("AppSingleton: a window of class Velotune in process " +
                                std::to_string(GetCurrentProcessId()) + " is not the running copy's (process " +
                                std::to_string(holder) + "): left alone"));
        EXPECT_TRUE(log.HasText("AppSingleton: the running copy shows no window (starting, ending, or restoring "
                                "without one): nothing to bring to the front"));
    }
    other.Reset();
    AppSingleton third;
    EXPECT_TRUE(third.Acquire());
}

TEST(AppSingletonTest, AFileWhereTheFolderGoesIsReplacedByAnAdministratorsFolder) {
    const std::wstring folder = AppSingleton::MachineFolder();
    DeleteFileW(MachineGuard().c_str());
    RemoveDirectoryW(folder.c_str());
    {
        vt::UniqueHandle planted(
            CreateFileW(folder.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(planted.Valid());
    }
    const LogCapture log;
    AppSingleton first;
    EXPECT_TRUE(first.Acquire());
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    EXPECT_NE(0u, attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(log.HasTextStarting("AppSingleton: " + TestPaths::Narrow(folder) +
                                    " was a link or a file, not a folder: removed"));
}

TEST(AppSingletonTest, AccessDeniedIsItsOwnCase) {
    // A folder of the guard file's name: opening it is refused as access
    // denied, which is no running copy.
    AppSingleton::MachineFolder();
    { AppSingleton made; ASSERT_TRUE(made.Acquire()); }
    ASSERT_TRUE(CreateDirectoryW(MachineGuard().c_str(), nullptr));
    {
        const LogCapture log;
        AppSingleton elevated;
        EXPECT_FALSE(elevated.Acquire());
        EXPECT_TRUE(log.HasText("AppSingleton: access to " + TestPaths::Narrow(MachineGuard()) +
                                " denied: a copy is ending, or the folder is not ours"));
    }
    {
        // Not elevated, a start opens nothing there and goes on.
        ShellTestSeams::isAdmin = [] { return false; };
        const LogCapture log;
        AppSingleton unelevated;
        EXPECT_TRUE(unelevated.Acquire());
        ShellTestSeams::Reset();
        EXPECT_TRUE(log.HasText("AppSingleton: access to " + TestPaths::Narrow(MachineGuard()) +
                                " denied: not elevated, going on without the guard"));
    }
    RemoveDirectoryW(MachineGuard().c_str());
}

TEST(AppSingletonTest, SecondInstanceRestoresAndRaisesTheFirstWindow) {
    AppSingleton first;
    ASSERT_TRUE(first.Acquire());
    VelotuneWindow window;
    ASSERT_NE(nullptr, window.Get());
    ASSERT_FALSE(IsWindowVisible(window.Get()));

    AppSingleton second;
    EXPECT_FALSE(second.Acquire());

    ASSERT_GE(g_seen.size(), 3u);
    EXPECT_EQ((UINT)WM_SYSCOMMAND, g_seen[0].msg);
    EXPECT_EQ((WPARAM)SC_RESTORE, g_seen[0].wParam & 0xFFF0);
    std::vector<HWND> order;
    // Restoring may move the window in the z-order on its own; the raise is
    // the topmost / not-topmost pair that follows.
    for (const Seen& s : g_seen)
        if (s.msg == WM_WINDOWPOSCHANGING && (s.insertAfter == HWND_TOPMOST || s.insertAfter == HWND_NOTOPMOST))
            order.push_back(s.insertAfter);
    ASSERT_EQ(2u, order.size());
    EXPECT_EQ(HWND_TOPMOST, order[0]);
    EXPECT_EQ(HWND_NOTOPMOST, order[1]);
    EXPECT_TRUE(IsWindowVisible(window.Get()));
    // To the front, but not left always on top.
    EXPECT_EQ(0, GetWindowLongW(window.Get(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST(AppSingletonTest, SecondInstanceWithoutAWindowIsStillRefused) {
    AppSingleton first;
    ASSERT_TRUE(first.Acquire());
    AppSingleton second;
    EXPECT_FALSE(second.Acquire());
}

}  // namespace

namespace {

// A first instance whose user-interface thread has stopped answering.
class HungWindowThread {
public:
    HungWindowThread() {
        m_ready.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        m_release.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        m_thread.Reset(CreateThread(nullptr, 0, &HungWindowThread::Run, this, 0, nullptr));
        WaitForSingleObject(m_ready.Get(), 30000);
    }
    ~HungWindowThread() {
        SetEvent(m_release.Get());
        WaitForSingleObject(m_thread.Get(), 30000);
    }
    // Lets the thread answer again and drains what was sent meanwhile.
    void Release() {
        SetEvent(m_release.Get());
        WaitForSingleObject(m_thread.Get(), 30000);
    }
    HWND Window() const { return m_hwnd; }

private:
    static DWORD WINAPI Run(void* self) {
        auto* me = static_cast<HungWindowThread*>(self);
        VelotuneWindow window;
        me->m_hwnd = window.Get();
        SetEvent(me->m_ready.Get());
        WaitForSingleObject(me->m_release.Get(), 60000);
        // Whatever was posted or sent while hung arrives now: the second
        // start has returned before the release, so what it asked for is
        // queued by then, and an empty queue means all of it was handled.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        me->m_visibleAtEnd = IsWindowVisible(me->m_hwnd) != FALSE;
        return 0;
    }

    vt::UniqueHandle m_ready, m_release, m_thread;
    HWND m_hwnd = nullptr;

public:
    bool m_visibleAtEnd = true;
};

TEST(AppSingletonTest, HungFirstWindowIsLeftAlone) {
    AppSingleton first;
    ASSERT_TRUE(first.Acquire());
    HungWindowThread hung;
    ASSERT_NE(nullptr, hung.Window());
    // A window counts as hung once it has not asked for messages for 5 s.
    ASSERT_TRUE(WaitUntil([&] { return IsHungAppWindow(hung.Window()) != FALSE; }, 30000));
    AppSingleton second;
    EXPECT_FALSE(second.Acquire());
    hung.Release();
    for (const Seen& s : g_seen) EXPECT_NE((UINT)WM_SYSCOMMAND, s.msg);
    EXPECT_FALSE(hung.m_visibleAtEnd);
}

}  // namespace
