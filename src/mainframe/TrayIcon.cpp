#include "mainframe/TrayIcon.h"

#include <atomic>
#include <cwchar>

#include "base/ThreadStack.h"
#include "base/Win32Owners.h"
#include "log/BaseLog.h"
#include "settings/ProgramSwitches.h"

namespace {

// How long a remove waits for a change in flight before going ahead anyway.
constexpr DWORD kSettleWaitMs = 10000;
// A refused add is tried again a few times, a little apart: at a logon start
// the shell may not take icons yet. After that its "TaskbarCreated" (or the
// next change of status) brings the icon.
constexpr int kAddTries = 5;
constexpr DWORD kAddRetryPauseMs = 2000;

CTrayIcon::ShellFn g_shell = nullptr;  // tests only

bool SameIcon(const NOTIFYICONDATAW& a, const NOTIFYICONDATAW& b) {
    return a.hWnd == b.hWnd && a.uID == b.uID && a.uFlags == b.uFlags && a.uCallbackMessage == b.uCallbackMessage &&
           a.hIcon == b.hIcon && std::wcscmp(a.szTip, b.szTip) == 0;
}

BOOL Shell(DWORD message, NOTIFYICONDATAW* nid) {
    return g_shell ? g_shell(message, nid) : ::Shell_NotifyIconW(message, nid);
}
BOOL Delete(NOTIFYICONDATAW nid) { return Shell(NIM_DELETE, &nid); }
// TEST_TRAY_REFUSALS=<n> (the program's switch file): the first n adds are
// refused, as by a shell that is not up yet; the end-to-end tests cannot
// make Wine's tray refuse otherwise.
std::atomic<int> g_refusalsLeft{-1};  // -1: not read yet
bool RefusedForTest() {
    int left = g_refusalsLeft.load();
    if (left < 0) {
        const long wanted = std::wcstol(ProgramSwitches::Value(L"TEST_TRAY_REFUSALS").c_str(), nullptr, 10);
        g_refusalsLeft.compare_exchange_strong(left, wanted > 0 && wanted < 100 ? static_cast<int>(wanted) : 0);
        left = g_refusalsLeft.load();
    }
    while (left > 0)
        if (g_refusalsLeft.compare_exchange_weak(left, left - 1)) return true;
    return false;
}
// Every add, the first or one after the shell lost the icon, asks for the
// version-4 callbacks: select and context-menu events, by mouse and by
// keyboard, with the point to open at. A shell that keeps the old form
// still sends the plain mouse messages, which the window also takes.
BOOL Add(NOTIFYICONDATAW nid) {
    if (!g_shell && RefusedForTest()) return FALSE;
    if (!Shell(NIM_ADD, &nid)) return FALSE;
    nid.uVersion = NOTIFYICON_VERSION_4;
    if (Shell(NIM_SETVERSION, &nid)) VLOG("tray icon version 4 taken");
    else VLOG("tray icon version 4 refused: the old callbacks stay");
    return TRUE;
}
void GiveFocus(NOTIFYICONDATAW nid) {
    const BOOL given = Shell(NIM_SETFOCUS, &nid);
    VLOG("tray icon given the focus back: NIM_SETFOCUS %s", given ? "TRUE" : "FALSE");
}

}  // namespace

struct CTrayIcon::Shared {
    vt::CriticalSection lock;
    bool pending = false;
    NOTIFYICONDATAW next = {};
    // The focus goes back to the icon once the changes asked for before are made.
    bool focusPending = false;
    NOTIFYICONDATAW focusOf = {};
    bool running = false;
    vt::UniqueHandle worker;  // the last worker started
    // What the tray shows, or is being given right now; only an add the
    // shell took counts as shown.
    bool present = false;
    NOTIFYICONDATAW shown = {};
    // Counts every request and settle: a retry goes on only while it is unchanged.
    unsigned generation = 0;
    // Adds the shell refused since it last took one (a later request may take over the retry).
    int refused = 0;
    // Cuts a retry's pause short (auto-reset).
    vt::UniqueHandle wake{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};
};

void CTrayIcon::ReplaceShellForTest(ShellFn fn) { g_shell = fn; }

CTrayIcon::CTrayIcon() : m_shared(std::make_shared<Shared>()) {}

CTrayIcon::~CTrayIcon() { Settle(); }

void CTrayIcon::ReplaceLater(const NOTIFYICONDATAW& nid, bool evenIfShown) {
    Shared& s = *m_shared;
    bool started = false;
    {
        vt::LockGuard hold(s.lock);
        if (!evenIfShown && s.present && SameIcon(s.shown, nid)) {
            s.pending = false;  // an earlier wish is overtaken by this one
            return;
        }
        s.next = nid;
        s.pending = true;
        ++s.generation;
        started = StartWorkerLocked();
    }
    if (!started) ReplaceNow(nid);  // no worker to be had: on this thread
    else if (s.wake) SetEvent(s.wake.Get());  // a retry's pause gives way to this request
}

void CTrayIcon::GiveFocusLater(const NOTIFYICONDATAW& nid) {
    Shared& s = *m_shared;
    {
        vt::LockGuard hold(s.lock);
        if (!s.present && !s.pending) {
            VLOG("tray icon not shown: the focus is not given back");
            return;
        }
        s.focusPending = true;
        s.focusOf = nid;
        if (StartWorkerLocked()) return;
        s.focusPending = false;
    }
    GiveFocus(nid);  // no worker to be had: on this thread
}

bool CTrayIcon::StartWorkerLocked() {
    Shared& s = *m_shared;
    if (s.running) return true;
    auto ref = std::make_unique<std::shared_ptr<Shared>>(m_shared);
    HANDLE h = CreateThread(nullptr, 0, &CTrayIcon::Worker, ref.get(), 0, nullptr);
    if (!h) return false;
    ref.release();  // the worker owns it now
    s.worker.Reset(h);
    s.running = true;
    return true;
}

BOOL CTrayIcon::ReplaceNow(const NOTIFYICONDATAW& nid) {
    Settle();
    Delete(nid);
    BOOL added = Add(nid);
    Shared& s = *m_shared;
    vt::LockGuard hold(s.lock);
    s.pending = false;
    // A refused add shows nothing: the next request for the same picture
    // must not be taken for no change.
    s.present = added != FALSE;
    s.shown = nid;
    return added;
}

BOOL CTrayIcon::Remove(const NOTIFYICONDATAW& nid) {
    Settle();
    Shared& s = *m_shared;
    {
        // Every way out removes the icon (the menu, the exit, the window's
        // end): only the first has anything to delete, and each shell call
        // can take a second.
        vt::LockGuard hold(s.lock);
        if (!s.present) return TRUE;
    }
    BOOL deleted = Delete(nid);
    vt::LockGuard hold(s.lock);
    s.present = false;
    return deleted;
}

// Drops a waiting change and lets the one in flight finish, so that what
// the caller does next is the last word on the icon.
void CTrayIcon::Settle() {
    Shared& s = *m_shared;
    HANDLE worker = nullptr;
    {
        vt::LockGuard hold(s.lock);
        s.pending = false;
        s.focusPending = false;
        ++s.generation;  // ends a retry at its next look
        worker = s.running ? s.worker.Get() : nullptr;
    }
    if (worker && s.wake) SetEvent(s.wake.Get());
    if (worker) WaitForSingleObject(worker, kSettleWaitMs);
}

DWORD WINAPI CTrayIcon::Worker(LPVOID param) {
    vt::ReleaseUnusedStack();
    std::unique_ptr<std::shared_ptr<Shared>> ref(static_cast<std::shared_ptr<Shared>*>(param));
    Shared& s = **ref;
    for (;;) {
        NOTIFYICONDATAW nid;
        bool wasPresent = false;
        unsigned generation = 0;
        bool focusOnly = false;
        {
            vt::LockGuard hold(s.lock);
            if (!s.pending && !s.focusPending) {
                // Gone when idle: a thread kept for a rare status change
                // would cost memory for the whole run.
                s.running = false;
                return 0;
            }
            focusOnly = !s.pending;
            if (focusOnly) {
                // Every change asked for before it is made: the focus now.
                s.focusPending = false;
                nid = s.focusOf;
            } else {
                nid = s.next;
                // An icon this object never added, or removed since, needs no delete.
                wasPresent = s.present;
                s.pending = false;
                s.present = true;
                s.shown = nid;
                generation = s.generation;
            }
        }
        if (focusOnly) {
            GiveFocus(nid);
            continue;
        }
        if (wasPresent) Delete(nid);
        for (int attempt = 1;; ++attempt) {
            BOOL added = Add(nid);
            {
                vt::LockGuard hold(s.lock);
                if (added) {
                    if (s.refused > 0) VLOG("tray icon added after %d refused tries", s.refused);
                    s.refused = 0;
                    break;
                }
                ++s.refused;
                s.present = false;
                // Overtaken: the next request, or a settle, has the last word.
                if (s.generation != generation) break;
                if (attempt >= kAddTries) {
                    VLOG("tray icon not added after %d tries: waiting for the shell", attempt);
                    break;
                }
                VLOG("tray icon not added (try %d of %d)", attempt, kAddTries);
            }
            if (s.wake) WaitForSingleObject(s.wake.Get(), kAddRetryPauseMs);
            else Sleep(kAddRetryPauseMs);
            vt::LockGuard hold(s.lock);
            if (s.generation != generation) break;
            s.present = true;  // the add about to be made
        }
    }
}
