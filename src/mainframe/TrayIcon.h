#pragma once
// The main window's notification-area icon, changed by a short-lived worker
// of its own. One shell call can take a second or more (always under Wine;
// on Windows while Explorer is busy), and the window must not wait for it
// before it draws the processor's readings or answers the user.
// Called from the window's thread only.
#include <windows.h>
#include <shellapi.h>

#include <memory>

#include "base/NonCopyable.h"

class CTrayIcon : private vt::NonCopyable {
public:
    CTrayIcon();
    ~CTrayIcon();

    // Puts the icon `nid` describes in place of the one shown, on the
    // worker. Only the latest of the requests still waiting is carried out,
    // and one equal to what the tray already shows is no change. An add the
    // shell refuses is tried again a few times, then left to ReplaceNow
    // when the shell says it has come up. `evenIfShown`: the shell lost it.
    void ReplaceLater(const NOTIFYICONDATAW& nid, bool evenIfShown = false);
    // Deletes and adds the icon now, on the calling thread, after any change
    // in flight; returns the add's result. For when the shell lost it.
    BOOL ReplaceNow(const NOTIFYICONDATAW& nid);
    // Deletes the icon now, after any change in flight (a waiting one is
    // dropped); returns the delete's result, TRUE when none is shown.
    BOOL Remove(const NOTIFYICONDATAW& nid);
    // Gives the keyboard focus back to the icon (NIM_SETFOCUS), as when its
    // menu was closed with Esc: on the worker, after any change in flight.
    void GiveFocusLater(const NOTIFYICONDATAW& nid);

    // Tests: every shell call goes to `fn` instead (null: to the shell again).
    typedef BOOL (*ShellFn)(DWORD message, NOTIFYICONDATAW* nid);
    static void ReplaceShellForTest(ShellFn fn);

private:
    struct Shared;
    static DWORD WINAPI Worker(LPVOID param);
    void Settle();
    // Starts the worker unless it runs; false when none could be had. With
    // the shared lock held.
    bool StartWorkerLocked();

    // Shared with the worker, which may outlive this object when a shell
    // call hangs past the wait.
    std::shared_ptr<Shared> m_shared;
};
