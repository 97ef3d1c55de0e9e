// The tray icon's shell calls, with a shell that refuses adds for a while
// (as at a logon start, before the taskbar takes icons): what is recorded as
// shown, and when the add is made again.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <atomic>

#include "mainframe/TrayIcon.h"
#include "support/WaitUntil.h"

namespace {

constexpr DWORD kWait = 30000;  // safety net only

std::atomic<int> g_refuseAdds{0};  // adds still to refuse
std::atomic<int> g_adds{0};        // every add asked for
std::atomic<int> g_added{0};       // adds taken
std::atomic<int> g_deletes{0};

BOOL FakeShell(DWORD message, NOTIFYICONDATAW*) {
    if (message == NIM_DELETE) {
        ++g_deletes;
        return TRUE;
    }
    if (message != NIM_ADD) return TRUE;
    ++g_adds;
    if (g_refuseAdds > 0) {
        --g_refuseAdds;
        return FALSE;
    }
    ++g_added;
    return TRUE;
}

NOTIFYICONDATAW Icon(UINT id = 108) {
    NOTIFYICONDATAW nid = {};
    nid.cbSize = sizeof(nid);
    nid.uID = id;
    nid.uFlags = NIF_TIP;
    lstrcpynW(nid.szTip, L"Velotune", 128);
    return nid;
}

struct FakeShellInPlace {
    explicit FakeShellInPlace(int refuse) {
        g_refuseAdds = refuse;
        g_adds = g_added = g_deletes = 0;
        CTrayIcon::ReplaceShellForTest(&FakeShell);
    }
    ~FakeShellInPlace() { CTrayIcon::ReplaceShellForTest(nullptr); }
};

}  // namespace

TEST(TrayIconAdd, ARefusedAddIsTriedAgainUntilTheShellTakesIt) {
    FakeShellInPlace shell(2);
    {
        CTrayIcon icon;
        icon.ReplaceLater(Icon());
        EXPECT_TRUE(WaitUntil([] { return g_added == 1; }, kWait)) << "adds asked: " << g_adds;
        EXPECT_EQ(g_adds, 3) << "two refused, the third taken";
        // Now shown: the same picture again is no change.
        icon.ReplaceLater(Icon());
        EXPECT_TRUE(icon.Remove(Icon()));
        EXPECT_EQ(g_adds, 3);
        EXPECT_EQ(g_deletes, 1);
    }
}

TEST(TrayIconAdd, AnAddRefusedForGoodIsNotTakenForTheIconShown) {
    FakeShellInPlace shell(1000);
    CTrayIcon icon;
    // On the calling thread, as when the shell says it has come up: refused.
    EXPECT_FALSE(icon.ReplaceNow(Icon()));
    g_refuseAdds = 0;
    // The same picture asked for later is added, not skipped as shown.
    icon.ReplaceLater(Icon());
    EXPECT_TRUE(WaitUntil([] { return g_added == 1; }, kWait)) << "adds asked: " << g_adds;
    EXPECT_TRUE(icon.Remove(Icon()));
}

TEST(TrayIconAdd, TheRetriesAreBoundedAndARemoveEndsThem) {
    FakeShellInPlace shell(1000);
    {
        CTrayIcon icon;
        icon.ReplaceLater(Icon());
        ASSERT_TRUE(WaitUntil([] { return g_adds >= 2; }, kWait));
        // Leaving settles at once: nothing was shown, so nothing is deleted.
        EXPECT_TRUE(icon.Remove(Icon()));
        const int asked = g_adds;
        EXPECT_LE(asked, 5);
        EXPECT_EQ(g_deletes, 0);
    }
    EXPECT_EQ(g_added, 0);
}
