#pragma once
// The program's way out, as one state machine. A run in flight is waited
// for (a moment unseen, then with the window saying so), then the restore
// "stopover" asks for, then the close. It reaches the window and the worker
// only through IHost, so that a test can drive it alone.
#include <windows.h>

class CExitMachine {
public:
    class IHost {
    public:
        virtual ~IHost() = default;
        // A run was asked for and its result has not arrived yet.
        virtual bool ResultPending() const = 0;
        // "stopover" is on and the processor is overclocked.
        virtual bool RestoreWanted() const = 0;
        // Asks the worker to restore; false when no run was started.
        virtual bool StartRestore() = 0;
        // After the restore's result: the processor is back at its defaults.
        virtual bool AtDefaults() const = 0;
        // Handles the worker's results only, until none is pending; false when
        // one still is after `timeoutMs`.
        virtual bool WaitForResult(DWORD timeoutMs) = 0;
        virtual void HideWindow() = 0;
        virtual void RemoveTrayIcon() = 0;
        // The window comes back and says the exit waits for a run (to put the
        // clock back, or to finish), and reminders start.
        virtual void ShowWaiting() = 0;
        virtual void StopReminders() = 0;
        virtual void CloseWindow() = 0;
        virtual int Status() const = 0;  // for the log only
    };

    enum class State { Running, WaitingForRun, Restoring, Closing };
    static constexpr DWORD kUnseenWaitMs = 10000;

    explicit CExitMachine(IHost& host) : m_host(host) {}

    // Every way out calls it; while an exit is under way a call is logged
    // and does nothing.
    void Begin();
    // A run's result has been handled (the host no longer has one pending).
    void OnResult();
    // Every 10 s while the window says the exit waits for a run.
    void OnReminder();

    State Current() const { return m_state; }
    bool Exiting() const { return m_state != State::Running; }
    // The exit waits, seen, for a run: the window is up and says so.
    bool WaitingSeen() const { return m_seenSince != 0; }
    static const char* Name(State state);

private:
    void Enter(State next, const char* why);
    // After the run in flight, if any: the restore, or the close.
    void Settle();
    void AfterRestore();
    void Close(const char* why);
    // The unseen wait; false when the run outlasted it and the window now says so.
    bool WaitUnseen();

    IHost& m_host;
    State m_state = State::Running;
    bool m_inUnseenWait = false;  // results are looked at when the wait returns
    DWORD m_seenSince = 0;        // tick count the exit began waiting; 0 when not waiting seen
};
