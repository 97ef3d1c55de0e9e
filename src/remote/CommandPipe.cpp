#include "remote/CommandPipe.h"

#include <sddl.h>

#include <memory>
#include <string>

#include "base/ThreadStack.h"
#include "log/BaseLog.h"
#include "remote/CallerCheck.h"
#include "settings/ProgramSwitches.h"
#include "thread/StopWorker.h"

namespace {

// SYSTEM and the Administrators: everything. Authenticated users: connect,
// read the answer and write a request; never a new instance of the pipe
// (FILE_CREATE_PIPE_INSTANCE), nor its security.
constexpr wchar_t kPipeSddl[] = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x12008b;;;AU)";
// The buffer a request is read into: anything longer is oversized.
constexpr DWORD kReadBuffer = 512;

const char* CommandName(remote::Command command) {
    switch (command) {
        case remote::Command::Status: return "status";
        case remote::Command::Overclock: return "overclock";
        case remote::Command::Restore: return "restore";
    }
    return "?";
}

const char* OutcomeName(remote::Outcome outcome) {
    switch (outcome) {
        case remote::Outcome::Done: return "done";
        case remote::Outcome::AlreadyThere: return "already there";
        case remote::Outcome::Busy: return "busy";
        case remote::Outcome::Refused: return "refused";
        case remote::Outcome::Failed: return "failed";
        case remote::Outcome::TimedOut: return "timed out";
    }
    return "?";
}

struct ClientStart {
    CCommandPipe* pipe;
    HANDLE handle;
};

struct ListenStart {
    CCommandPipe* pipe;
    HANDLE first;
};

}  // namespace

CCommandPipe::CCommandPipe(IHost& host) : m_host(host) {
    m_stop.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_slots.Reset(CreateSemaphoreW(nullptr, kMaxClients - 1, kMaxClients, nullptr));
}

CCommandPipe::~CCommandPipe() { Stop(INFINITE); }

HANDLE CCommandPipe::MakeInstance(bool first) {
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kPipeSddl, SDDL_REVISION_1, &raw, nullptr))
        return INVALID_HANDLE_VALUE;
    vt::UniqueLocal sd(raw);
    SECURITY_ATTRIBUTES sa = {sizeof(sa), raw, FALSE};
    // The first instance must be ours: a name another process made first is
    // its pipe, whatever it answers.
    const DWORD open = PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0);
    return CreateNamedPipeW(remote::kPipeName, open,
                            PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                            kMaxClients, remote::CPipeCodec::kAnswerSize, kReadBuffer, 0, &sa);
}

bool CCommandPipe::Start() {
    if (m_listener || !m_stop || !m_slots) return false;
    // An administrator's test switch: the caller counts as one without
    // administrator rights, which Wine cannot give a process.
    m_callerNotAdminForTest = ProgramSwitches::IsSet(L"TEST_CALLER_NOT_ADMIN");
    // A pipe of that name is there already (any instance, busy or not):
    // not ours. The flag on the first instance is what settles a race on
    // Windows; Wine ignores it, and only this look tells there.
    HANDLE first = INVALID_HANDLE_VALUE;
    DWORD error = ERROR_ACCESS_DENIED;
    if (!WaitNamedPipeW(remote::kPipeName, 1) && GetLastError() == ERROR_FILE_NOT_FOUND) {
        first = MakeInstance(true);
        error = GetLastError();
    }
    if (first == INVALID_HANDLE_VALUE) {
        if (error == ERROR_ACCESS_DENIED || error == ERROR_PIPE_BUSY)
            VLOG("command pipe refused: another process made it first (error %lu)", error);
        else
            VLOG("command pipe not made (error %lu)", error);
        return false;
    }
    std::unique_ptr<ListenStart> start(new ListenStart{this, first});
    m_listener.Reset(CreateThread(nullptr, 0, &CCommandPipe::ListenEntry, start.get(), 0, nullptr));
    if (m_listener) start.release();
    if (!m_listener) {
        CloseHandle(first);
        VLOG("command pipe: no thread to serve it (error %lu)", GetLastError());
        return false;
    }
    VLOG("command pipe: serving %S", remote::kPipeName);
    return true;
}

bool CCommandPipe::Stop(DWORD waitMs) {
    if (!m_listener) return true;
    SetEvent(m_stop.Get());
    bool ended = WaitOrLeave(m_listener, waitMs, "command pipe");
    std::vector<vt::UniqueHandle> clients;
    {
        vt::LockGuard hold(m_lock);
        clients.swap(m_clients);
    }
    for (vt::UniqueHandle& client : clients) ended = WaitOrLeave(client, waitMs, "command pipe client") && ended;
    return ended;
}

DWORD WINAPI CCommandPipe::ListenEntry(LPVOID param) {
    vt::ReleaseUnusedStack();
    std::unique_ptr<ListenStart> start(static_cast<ListenStart*>(param));
    start->pipe->Listen(start->first);
    return 0;
}

void CCommandPipe::Listen(HANDLE first) {
    vt::UniqueHandle pipe(first);
    vt::UniqueHandle connected(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    while (pipe && connected) {
        OVERLAPPED io = {};
        io.hEvent = connected.Get();
        ResetEvent(connected.Get());
        BOOL done = ConnectNamedPipe(pipe.Get(), &io);
        DWORD error = done ? ERROR_SUCCESS : GetLastError();
        if (!done && error == ERROR_IO_PENDING) {
            HANDLE waits[] = {connected.Get(), m_stop.Get()};
            if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
                CancelIo(pipe.Get());
                DWORD ignored = 0;
                GetOverlappedResult(pipe.Get(), &io, &ignored, TRUE);
                return;
            }
            DWORD ignored = 0;
            error = GetOverlappedResult(pipe.Get(), &io, &ignored, FALSE) ? ERROR_SUCCESS : GetLastError();
        }
        if (error != ERROR_SUCCESS && error != ERROR_PIPE_CONNECTED) {
            // A console that came and went before it was seen.
            DisconnectNamedPipe(pipe.Get());
            continue;
        }
        std::unique_ptr<ClientStart> client(new ClientStart{this, pipe.Get()});
        vt::UniqueHandle thread(CreateThread(nullptr, 0, &CCommandPipe::ClientEntry, client.get(), 0, nullptr));
        if (!thread) {
            VLOG("command pipe: no thread for a console (error %lu)", GetLastError());
            DisconnectNamedPipe(pipe.Get());
            continue;
        }
        client.release();
        pipe.Release();  // the client's thread closes it
        {
            vt::LockGuard hold(m_lock);
            // Consoles already served leave nothing behind.
            for (size_t i = m_clients.size(); i-- > 0;)
                if (WaitForSingleObject(m_clients[i].Get(), 0) == WAIT_OBJECT_0) m_clients.erase(m_clients.begin() + i);
            m_clients.push_back(std::move(thread));
        }
        // The next console gets an instance of its own once a slot is free.
        HANDLE waits[] = {m_slots.Get(), m_stop.Get()};
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) return;
        pipe.Reset(MakeInstance(false));
        if (!pipe) VLOG("command pipe: no further instance (error %lu)", GetLastError());
    }
}

DWORD WINAPI CCommandPipe::ClientEntry(LPVOID param) {
    vt::ReleaseUnusedStack();
    std::unique_ptr<ClientStart> start(static_cast<ClientStart*>(param));
    vt::UniqueHandle pipe(start->handle);
    start->pipe->Serve(pipe.Get());
    ReleaseSemaphore(start->pipe->m_slots.Get(), 1, nullptr);
    return 0;
}

bool CCommandPipe::Finish(HANDLE pipe, OVERLAPPED& io, BOOL started, DWORD limitMs, DWORD& bytes, DWORD& error) {
    bytes = 0;
    error = started ? ERROR_SUCCESS : GetLastError();
    if (!started && error != ERROR_IO_PENDING) return false;
    HANDLE waits[] = {io.hEvent, m_stop.Get()};
    if (WaitForMultipleObjects(2, waits, FALSE, limitMs) != WAIT_OBJECT_0) {
        CancelIo(pipe);
        GetOverlappedResult(pipe, &io, &bytes, TRUE);
        error = WAIT_TIMEOUT;
        return false;
    }
    if (GetOverlappedResult(pipe, &io, &bytes, FALSE)) {
        error = ERROR_SUCCESS;
        return true;
    }
    error = GetLastError();
    return false;
}

void CCommandPipe::Serve(HANDLE pipe) {
    ULONG pid = 0;
    GetNamedPipeClientProcessId(pipe, &pid);
    vt::UniqueHandle ioEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!ioEvent) return;
    uint8_t buffer[kReadBuffer];
    OVERLAPPED io = {};
    io.hEvent = ioEvent.Get();
    DWORD bytes = 0, error = 0;
    if (!Finish(pipe, io, ReadFile(pipe, buffer, sizeof(buffer), nullptr, &io), kIoLimitMs, bytes, error)) {
        if (error == ERROR_MORE_DATA)
            VLOG("command pipe: request dropped (process %lu): more than %lu bytes", pid, kReadBuffer);
        else if (error == WAIT_TIMEOUT)
            VLOG("command pipe: request dropped (process %lu): none within %lu ms", pid, kIoLimitMs);
        else
            VLOG("command pipe: request dropped (process %lu): read failed (error %lu)", pid, error);
        return;
    }
    remote::Request request;
    std::string why;
    if (!remote::CPipeCodec::Decode(buffer, bytes, request, why)) {
        VLOG("command pipe: request dropped (process %lu): %s", pid, why.c_str());
        return;
    }
    VLOG("command pipe: %s asked (process %lu)", CommandName(request.command), pid);
    remote::Answer answer;
    if (request.command == remote::Command::Status) {
        answer = m_host.Snapshot();
    } else if (m_callerNotAdminForTest || !CCallerCheck::IsElevatedAdministrator(pipe)) {
        VLOG("command pipe: %s refused: the caller is not an elevated administrator", CommandName(request.command));
        answer = m_host.Snapshot();
        answer.outcome = remote::Outcome::Refused;
    } else {
        answer = m_host.Act(request.command, request.timeoutMs, m_stop.Get());
    }
    VLOG("command pipe: %s answered: %s, status %u", CommandName(request.command), OutcomeName(answer.outcome),
         answer.status);
    uint8_t record[remote::CPipeCodec::kAnswerSize];
    remote::CPipeCodec::Encode(answer, record);
    ResetEvent(ioEvent.Get());
    if (!Finish(pipe, io, WriteFile(pipe, record, sizeof(record), nullptr, &io), kIoLimitMs, bytes, error)) {
        VLOG("command pipe: the answer was not taken (process %lu, error %lu)", pid, error);
        return;
    }
    // The console closes its end once it has read the answer; closing ours
    // first could take the answer with it.
    ResetEvent(ioEvent.Get());
    Finish(pipe, io, ReadFile(pipe, buffer, sizeof(buffer), nullptr, &io), kIoLimitMs, bytes, error);
}
