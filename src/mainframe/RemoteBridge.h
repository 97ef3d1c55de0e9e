#pragma once
// The main window's side of the command pipe. A console's overclock or
// restore reaches the window's thread through its queue and takes the path
// of a click: dropped and answered "busy" while a run is in progress, and
// answered with the run's result once it arrives. A status is read on the
// pipe's thread and never waits for the window.
#include <windows.h>

#include <deque>
#include <memory>

#include "base/NonCopyable.h"
#include "base/Win32Owners.h"
#include "remote/CommandPipe.h"

class CMainFrame;

class CRemoteBridge : private vt::NonCopyable, private CCommandPipe::IHost {
public:
    explicit CRemoteBridge(CMainFrame& frame) : m_frame(frame), m_pipe(*this) {}
    ~CRemoteBridge();

    void Start(HWND window);
    // Ends the pipe before the window goes (and the guard with it).
    void Stop();
    // One of the pipe's threads, held in a read of the processor, was left
    // to the process's end: this object must outlive it.
    bool ThreadsLeft() const { return m_bThreadsLeft; }
    // UM_REMOTE_CALL, on the window's thread: the waiting requests.
    void OnCall();
    // A run's result, before the window shows it (a failure's notice waits
    // for the user; the console does not).
    void OnResult(bool overclockRun, bool applied);

private:
    struct Call;
    remote::Answer Snapshot() override;
    // The state; the processor's ratios and maximum turbo only with `processor`.
    remote::Answer Read(bool processor);
    remote::Answer Act(remote::Command command, DWORD timeoutMs, HANDLE stop) override;
    void Decide(Call& call);

    CMainFrame& m_frame;
    HWND m_hWnd = nullptr;
    CCommandPipe m_pipe;
    vt::CriticalSection m_lock;
    std::deque<std::shared_ptr<Call>> m_waiting;  // for the window's thread
    std::shared_ptr<Call> m_running;             // for its run's result (window's thread only)
    bool m_bThreadsLeft = false;
};
