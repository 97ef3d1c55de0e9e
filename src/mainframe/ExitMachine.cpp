#include "mainframe/ExitMachine.h"

#include "log/BaseLog.h"

// Running --Begin--> WaitingForRun  (a result is pending)
// Running --Begin--> Restoring      (no run pending, the restore wanted and started)
// Running --Begin--> Closing        (otherwise)
// WaitingForRun --result--> Restoring or Closing, as from Running
// Restoring --result--> Closing     (the outcome logged; a failure closes all the same)
// A wait is first unseen (kUnseenWaitMs), then seen: the window says the
// exit waits, until the result comes. The worker is never left inside a run.

const char* CExitMachine::Name(State state) {
    switch (state) {
        case State::Running: return "Running";
        case State::WaitingForRun: return "WaitingForRun";
        case State::Restoring: return "Restoring";
        case State::Closing: return "Closing";
    }
    return "?";
}

void CExitMachine::Enter(State next, const char* why) {
    VLOG("[ExitApp] %s -> %s: %s", Name(m_state), Name(next), why);
    m_state = next;
}

void CExitMachine::Begin() {
    switch (m_state) {
        case State::Running: break;
        case State::WaitingForRun:
        case State::Restoring:
            VLOG("[ExitApp] already waiting for the run to end (status %d)", m_host.Status());
            return;
        case State::Closing: VLOG("[ExitApp] already closing"); return;
    }
    m_host.HideWindow();
    if (!m_host.ResultPending()) {
        Settle();
        return;
    }
    Enter(State::WaitingForRun, "a run is in flight");
    VLOG("[ExitApp] a run is in progress (status %d), waiting up to %lu ms for it to end", m_host.Status(),
         kUnseenWaitMs);
    if (!WaitUnseen()) return;
    VLOG("[ExitApp] the run ended with status %d", m_host.Status());
    Settle();
}

void CExitMachine::Settle() {
    if (!m_host.RestoreWanted()) {
        VLOG("------Mainframe :: Close--------- ");
        Close("nothing to restore");
        return;
    }
    m_host.RemoveTrayIcon();
    VLOG("--------------ExitRecover-----------");
    Enter(State::Restoring, "\"stopover\" asks for the defaults");
    if (!m_host.StartRestore()) {
        VLOG("[ExitApp] the restore could not be started: the processor stays overclocked");
        Close("no restore run");
        return;
    }
    if (WaitUnseen()) AfterRestore();
}

void CExitMachine::AfterRestore() {
    if (m_host.AtDefaults()) VLOG("[ExitApp] the processor is back at its defaults");
    else VLOG("[ExitApp] the restore failed: the processor stays overclocked");
    Close("the restore reported");
}

void CExitMachine::Close(const char* why) {
    Enter(State::Closing, why);
    m_host.CloseWindow();
    VLOG("--------------ExitAPP end-----------");
}

bool CExitMachine::WaitUnseen() {
    m_inUnseenWait = true;
    const bool ended = m_host.WaitForResult(kUnseenWaitMs);
    m_inUnseenWait = false;
    if (ended) return true;
    VLOG("[ExitApp] the run did not end within %lu ms (status %d): waiting for it, the window says so",
         kUnseenWaitMs, m_host.Status());
    m_seenSince = ::GetTickCount() - kUnseenWaitMs;
    if (m_seenSince == 0) m_seenSince = 1;
    m_host.ShowWaiting();
    return false;
}

void CExitMachine::OnResult() {
    if (m_inUnseenWait || m_host.ResultPending()) return;
    if (m_state != State::WaitingForRun && m_state != State::Restoring) return;
    if (m_seenSince) {
        m_seenSince = 0;
        m_host.StopReminders();
    }
    VLOG("[ExitApp] the run ended with status %d", m_host.Status());
    if (m_state == State::Restoring) AfterRestore();
    else Settle();
}

void CExitMachine::OnReminder() {
    if (!m_seenSince) return;
    VLOG("[ExitApp] the run has not ended after %lu ms (status %d): still waiting for it before closing",
         ::GetTickCount() - m_seenSince, m_host.Status());
}
