#include "mainframe/RemoteBridge.h"

#include <cmath>
#include <cwchar>

#include "log/BaseLog.h"
#include "mainframe/MainFrame.h"
#include "settings/AppInfo.h"
#include "state/AppState.h"
#include "state/WindowMessages.h"
#include "tuning/CpuMonitorThread.h"
#include "tuning/ProcessorReading.h"

namespace {
// How long the window's end waits for each of the pipe's threads.
constexpr DWORD kStopWaitMs = 2000;
// A console that gives no limit of its own.
constexpr DWORD kDefaultRunWaitMs = 60000;

bool InRun(LONG status) { return status == STATUS_OVERCLOCK_ING || status == STATUS_REOVERCLOCK_ING; }

uint32_t ToMHz(double mhz) { return std::isfinite(mhz) && mhz > 0 && mhz < 1e6 ? (uint32_t)std::lround(mhz) : 0; }
}  // namespace

struct CRemoteBridge::Call {
    remote::Command command = remote::Command::Status;
    // Written on the window's thread under the bridge's lock, then `done` set.
    remote::Outcome outcome = remote::Outcome::Busy;
    uint16_t status = 0;
    vt::UniqueHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

CRemoteBridge::~CRemoteBridge() { Stop(); }

void CRemoteBridge::Start(HWND window) {
    m_hWnd = window;
    m_pipe.Start();
}

void CRemoteBridge::Stop() {
    if (!m_pipe.Stop(kStopWaitMs)) m_bThreadsLeft = true;
    vt::LockGuard hold(m_lock);
    m_waiting.clear();
    m_running.reset();
}

remote::Answer CRemoteBridge::Snapshot() { return Read(true); }

remote::Answer CRemoteBridge::Read(bool processor) {
    remote::Answer answer;
    const LONG status = GetAppState().nStatus;
    answer.status = static_cast<uint16_t>(status >= 0 && status <= STATUS_REOVERCLOCK_ING ? status : 0);
    answer.runInProgress = InRun(status);
    answer.frequencyMHz = ToMHz(CCpuMonitorThread::CurrentFrequency()->load() * 1000.0);
    CProcessorReading reading;
    if (processor) reading.Read();
    answer.maxTurboMHz = ToMHz(reading.maxTurboMHz);
    for (double ratio : reading.ratios) {
        if (answer.coreCount >= remote::kMaxCores) break;
        answer.ratiosCenti[answer.coreCount++] =
            std::isfinite(ratio) && ratio >= 0 && ratio < 1e6 ? (uint32_t)std::lround(ratio * 100) : 0;
    }
    const std::wstring version = GetFileVersionString();
    wcsncpy(answer.version, version.c_str(), remote::kVersionChars - 1);
    return answer;
}

remote::Answer CRemoteBridge::Act(remote::Command command, DWORD timeoutMs, HANDLE stop) {
    auto call = std::make_shared<Call>();
    call->command = command;
    bool asked = false;
    if (call->done) {
        vt::LockGuard hold(m_lock);
        m_waiting.push_back(call);
        asked = m_hWnd && PostMessageW(m_hWnd, UM_REMOTE_CALL, 0, 0);
    }
    HANDLE waits[] = {call->done.Get(), stop};
    const DWORD woken =
        asked ? WaitForMultipleObjects(2, waits, FALSE, timeoutMs ? timeoutMs : kDefaultRunWaitMs) : WAIT_FAILED;
    remote::Outcome outcome = woken == WAIT_TIMEOUT ? remote::Outcome::TimedOut : remote::Outcome::Busy;
    uint16_t status = 0;
    if (woken == WAIT_OBJECT_0) {
        vt::LockGuard hold(m_lock);
        outcome = call->outcome;
        status = call->status;
    }
    // No run was made, or it is still going: the processor is not read,
    // since a run holds the library meanwhile.
    const bool ran = outcome == remote::Outcome::Done || outcome == remote::Outcome::AlreadyThere ||
                     outcome == remote::Outcome::Failed;
    remote::Answer answer = Read(ran);
    answer.outcome = outcome;
    if (woken == WAIT_OBJECT_0) {
        answer.status = status;
        answer.runInProgress = InRun(status);
    }
    return answer;
}

void CRemoteBridge::OnCall() {
    std::deque<std::shared_ptr<Call>> calls;
    {
        vt::LockGuard hold(m_lock);
        calls.swap(m_waiting);
    }
    for (const std::shared_ptr<Call>& call : calls) {
        Decide(*call);
        const LONG status = GetAppState().nStatus;
        // Started: answered when its result comes.
        if (call->outcome == remote::Outcome::Done && InRun(status) && m_frame.m_bResultPending) {
            m_running = call;
            continue;
        }
        vt::LockGuard hold(m_lock);
        call->status = static_cast<uint16_t>(status);
        SetEvent(call->done.Get());
    }
}

void CRemoteBridge::Decide(Call& call) {
    const bool overclock = call.command == remote::Command::Overclock;
    const LONG status = GetAppState().nStatus;
    call.outcome = remote::Outcome::Busy;
    if (!m_frame.m_bSdkReady || m_frame.m_exit.Exiting()) {
        VLOG("command pipe: the program is starting or closing: no run");
        return;
    }
    if (InRun(status) || m_running) {
        m_frame.DoHandle();  // dropped and logged as a click is
        return;
    }
    if (status == (overclock ? STATUS_OVERCLOCK_OK : STATUS_OVERCLOCK_INIT)) {
        VLOG("command pipe: already %s: no run", overclock ? "overclocked" : "at stock");
        call.outcome = remote::Outcome::AlreadyThere;
        return;
    }
    m_frame.DoHandle();
    if (InRun(GetAppState().nStatus)) call.outcome = remote::Outcome::Done;
}

void CRemoteBridge::OnResult(bool overclockRun, bool applied) {
    if (!m_running) return;
    vt::LockGuard hold(m_lock);
    m_running->outcome = applied ? remote::Outcome::Done : remote::Outcome::Failed;
    m_running->status = static_cast<uint16_t>(overclockRun == applied ? STATUS_OVERCLOCK_OK : STATUS_OVERCLOCK_INIT);
    SetEvent(m_running->done.Get());
    m_running.reset();
}
