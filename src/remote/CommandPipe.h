#pragma once
// The running program's end of the command pipe: the console companion asks
// it for the processor's state, and an administrator's console for an
// overclock or a restore. The pipe is served off the window's thread, one
// thread per connected console (a few at most); a request that is garbled,
// oversized or slow to come is dropped and logged, and never reaches the
// window.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "base/NonCopyable.h"
#include "base/Win32Owners.h"
#include "remote/PipeCodec.h"

class CCommandPipe : private vt::NonCopyable {
public:
    // What the pipe asks of the program; called on the pipe's threads.
    class IHost {
    public:
        // The state as it is now (outcome Done).
        virtual remote::Answer Snapshot() = 0;
        // Overclock or restore as a click does, for an administrator: the
        // answer once the run has ended, or Busy, AlreadyThere, TimedOut.
        // `stop` is signalled when the pipe goes.
        virtual remote::Answer Act(remote::Command command, DWORD timeoutMs, HANDLE stop) = 0;

    protected:
        ~IHost() = default;
    };

    // At most this many consoles at once; more wait for the pipe.
    static constexpr DWORD kMaxClients = 4;
    // A console has this long to send its request, and to take its answer.
    static constexpr DWORD kIoLimitMs = 2000;

    explicit CCommandPipe(IHost& host);
    ~CCommandPipe();

    // Makes the pipe, first and only: false (logged) when another process
    // holds the name, or when it cannot be made.
    bool Start();
    // Ends the pipe and waits up to `waitMs` for each of its threads; one
    // still running then (held in a read of the processor) is left to the
    // process's end. True when every thread ended.
    bool Stop(DWORD waitMs);

private:
    static DWORD WINAPI ListenEntry(LPVOID self);
    static DWORD WINAPI ClientEntry(LPVOID param);
    void Listen(HANDLE first);
    void Serve(HANDLE pipe);
    // Waits for an overlapped call on `pipe`: the bytes moved, or false when
    // it failed, or took longer than `limitMs` (then cancelled) or the stop came.
    bool Finish(HANDLE pipe, OVERLAPPED& io, BOOL started, DWORD limitMs, DWORD& bytes, DWORD& error);
    HANDLE MakeInstance(bool first);

    IHost& m_host;
    vt::UniqueHandle m_stop;
    vt::UniqueHandle m_slots;  // semaphore: instances that may still be made
    vt::UniqueHandle m_listener;
    vt::CriticalSection m_lock;
    std::vector<vt::UniqueHandle> m_clients;
    bool m_callerNotAdminForTest = false;
};
