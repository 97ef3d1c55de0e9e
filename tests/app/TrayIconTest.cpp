// The tray icon's shell calls, with a shell that refuses adds for a while
// (as at a logon start, before the taskbar takes icons): what is recorded as
// shown, and when the add is made again.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <atomic>

#include "mainframe/MainFrame.h"
#include "mainframe/TrayIcon.h"
#include "support/WaitUntil.h"

namespace {

constexpr DWORD kWait = 30000;  // safety net only

std::atomic<int> g_refuseAdds{0};  // adds still to refuse
std::atomic<int> g_adds{0};        // every add asked for
std::atomic<int> g_added{0};       // adds taken
std::atomic<int> g_deletes{0};
std::atomic<int> g_versions{0};    // NIM_SETVERSION asking for version 4
std::atomic<int> g_otherVersions{0};
std::atomic<int> g_focus{0};       // NIM_SETFOCUS
std::atomic<int> g_focusAfterAdds{-1};  // adds taken when the focus was given

BOOL FakeShell(DWORD message, NOTIFYICONDATAW* nid) {
    if (message == NIM_DELETE) {
        ++g_deletes;
        return TRUE;
    }
    if (message == NIM_SETVERSION) {
        if (nid->uVersion == NOTIFYICON_VERSION_4) ++g_versions;
        else ++g_otherVersions;
        return TRUE;
    }
    if (message == NIM_SETFOCUS) {
        g_focusAfterAdds = g_added.load();
        ++g_focus;
        return FALSE;  // as Wine's tray answers
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
        g_adds = g_added = g_deletes = g_versions = g_otherVersions = g_focus = 0;
        g_focusAfterAdds = -1;
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
        EXPECT_EQ(g_versions, 1) << "version 4 asked for after the add taken, not after the refused ones";
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

TEST(TrayIconAdd, EveryAddTakenAsksForVersion4AndTheFocusGoesBackAfterTheChangesBeforeIt) {
    FakeShellInPlace shell(0);
    CTrayIcon icon;
    // Nothing shown yet: no focus to give.
    icon.GiveFocusLater(Icon());
    EXPECT_TRUE(icon.Remove(Icon()));
    EXPECT_EQ(g_focus, 0);

    icon.ReplaceLater(Icon());
    NOTIFYICONDATAW other = Icon();
    lstrcpynW(other.szTip, L"Velotune (overclocked)", 128);
    icon.ReplaceLater(other);
    icon.GiveFocusLater(other);
    EXPECT_TRUE(WaitUntil([] { return g_focus == 1; }, kWait));
    EXPECT_EQ(g_focusAfterAdds, g_added.load()) << "after the adds asked for before it";
    // Added again when the shell came back: asked for again.
    EXPECT_TRUE(icon.ReplaceNow(other));
    EXPECT_EQ(g_versions, g_added.load());
    EXPECT_EQ(g_otherVersions, 0);
    EXPECT_TRUE(icon.Remove(other));
    EXPECT_EQ(g_focus, 1);
}

TEST(TrayIconAdd, AddToTrayAnswersWhatTheShellSaid) {
    FakeShellInPlace shell(1);
    CMainFrame frame;
    EXPECT_FALSE(frame.AddToTray(true)) << "refused";
    EXPECT_TRUE(frame.AddToTray(true)) << "taken";
    EXPECT_EQ(g_added, 1);
    EXPECT_TRUE(frame.AddToTray(false));
}
