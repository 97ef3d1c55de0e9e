#include "console/PipeClient.h"

#include "base/Win32Owners.h"
#include "console/ServerIdentity.h"

namespace {

// A busy pipe (every instance serving another console) is waited for this
// long, a few times over.
constexpr DWORD kBusyWaitMs = 2000;
constexpr int kBusyTries = 5;

HANDLE Open(DWORD& error) {
    for (int attempt = 0;; ++attempt) {
        HANDLE pipe = CreateFileW(remote::kPipeName, GENERIC_READ | FILE_WRITE_DATA, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) return pipe;
        error = GetLastError();
        if (error != ERROR_PIPE_BUSY || attempt + 1 >= kBusyTries) return INVALID_HANDLE_VALUE;
        WaitNamedPipeW(remote::kPipeName, kBusyWaitMs);
    }
}

// One overlapped call, waited for up to `limitMs`; the bytes moved.
bool Finish(HANDLE pipe, OVERLAPPED& io, BOOL started, DWORD limitMs, DWORD& bytes) {
    bytes = 0;
    if (!started && GetLastError() != ERROR_IO_PENDING) return false;
    if (WaitForSingleObject(io.hEvent, limitMs) != WAIT_OBJECT_0) {
        CancelIo(pipe);
        GetOverlappedResult(pipe, &io, &bytes, TRUE);
        return false;
    }
    return GetOverlappedResult(pipe, &io, &bytes, FALSE) != FALSE;
}

}  // namespace

CPipeClient::Reach CPipeClient::Ask(const remote::Request& request, DWORD answerWithinMs, remote::Answer& answer,
                                    std::string& why) {
    DWORD error = 0;
    vt::UniqueHandle pipe(Open(error));
    if (!pipe) {
        if (error == ERROR_FILE_NOT_FOUND) return Reach::NotRunning;
        why = "the pipe cannot be opened (error " + std::to_string(error) + ")";
        return error == ERROR_PIPE_BUSY ? Reach::NoAnswer : Reach::NotVelotune;
    }
    DWORD server = 0;
    if (!CServerIdentity::IsRunningVelotune(pipe.Get(), server, why)) {
        why += " (process " + std::to_string(server) + ")";
        return Reach::NotVelotune;
    }
    vt::UniqueHandle ioEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!ioEvent) return Reach::NoAnswer;
    uint8_t record[remote::CPipeCodec::kRequestSize];
    remote::CPipeCodec::Encode(request, record);
    OVERLAPPED io = {};
    io.hEvent = ioEvent.Get();
    DWORD bytes = 0;
    if (!Finish(pipe.Get(), io, WriteFile(pipe.Get(), record, sizeof(record), nullptr, &io), answerWithinMs, bytes) ||
        bytes != sizeof(record)) {
        why = "the request was not taken";
        return Reach::NoAnswer;
    }
    uint8_t reply[remote::CPipeCodec::kAnswerSize + 1];
    ResetEvent(ioEvent.Get());
    if (!Finish(pipe.Get(), io, ReadFile(pipe.Get(), reply, sizeof(reply), nullptr, &io), answerWithinMs, bytes)) {
        why = "no answer";
        return Reach::NoAnswer;
    }
    if (!remote::CPipeCodec::Decode(reply, bytes, answer, why)) return Reach::NotVelotune;
    return Reach::Answered;
}
