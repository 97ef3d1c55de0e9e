#include "tuning/OverClockThread.h"

#include <atomic>
#include <cmath>
#include <string>

#include "base/ThreadStack.h"
#include "log/BaseLog.h"
#include "settings/ProgramSwitches.h"
#include "state/AppState.h"
#include "state/WindowMessages.h"
#include "tuning/MyOnApplyChangesListener.h"
#include "tuning/MyOnProposeChangesListener.h"
#include "tuning/OverClockSdkInterface.h"
#include "thread/StopWorker.h"
#include "tuning/SdkGuard.h"

namespace {

// The per-core turbo ratio controls, by core index; further cores reuse the first.
const uint32_t kCoreRatioTable[] = {
    ControlId_Processor_1_Active_Core_Ratio_Limit, ControlId_Processor_2_Active_Core_Ratio_Limit,
    ControlId_Processor_3_Active_Core_Ratio_Limit, ControlId_Processor_4_Active_Core_Ratio_Limit,
    ControlId_Processor_5_Active_Core_Ratio_Limit, ControlId_Processor_6_Active_Core_Ratio_Limit,
    ControlId_Processor_7_Active_Core_Ratio_Limit, ControlId_Processor_8_Active_Core_Ratio_Limit,
    ControlId_Processor_9_Active_Core_Ratio_Limit, ControlId_Processor_10_Active_Core_Ratio_Limit,
};
constexpr int kCoreRatioTableSize = sizeof(kCoreRatioTable) / sizeof(kCoreRatioTable[0]);

// No processor has more cores than this: a larger count is the library's
// fault and would keep the worker asking for controls for hours.
constexpr int kMaxCores = 256;

// A worker busy in the SDK when its owner goes gets this long to finish.
constexpr DWORD kDestroyWaitMs = 10000;

const char* TrueFalse(bool b) { return b ? "true" : "false"; }

// Test switches of the real program (settings/ProgramSwitches.h), set by
// the end-to-end tests only: the worker cannot be made to fail to start, nor
// be caught between two steps, from outside otherwise.
// TEST_WORKER_HOLD names an event: after posting each result the worker
// waits for it (a minute at most), so that a test can act while the window
// has the result and the worker has not yet looked for the next request.
void HoldAfterPostingForTest() {
    const std::wstring name = ProgramSwitches::Value(L"TEST_WORKER_HOLD");
    if (name.empty()) return;
    vt::UniqueHandle hold(OpenEventW(SYNCHRONIZE, FALSE, name.c_str()));
    if (!hold) return;
    VLOG("[Overclocking] held after posting (test switch)");
    WaitForSingleObject(hold.Get(), 60000);
}

// The processor record of the SDK, or null when either step gives none.
IProcessorInfo* ProcessorOf(IOverclockingSdk* sdk) {
    ISystemInfo* systemInfo =
        CSdkGuard::Value("GetSystemInfo", (ISystemInfo*)nullptr, [&] { return sdk->GetSystemInfo(); });
    return systemInfo ? CSdkGuard::Value("GetProcessor", (IProcessorInfo*)nullptr,
                                         [&] { return systemInfo->GetProcessor(); })
                      : nullptr;
}

std::string NarrowName(const ClientTuningControl& control) {
    wchar_t name[SDK_MAX_CONTROL_NAME + 1] = {};
    for (uint32_t i = 0; i < SDK_MAX_CONTROL_NAME && control.Name[i]; ++i) name[i] = control.Name[i];
    char out[SDK_MAX_CONTROL_NAME * 2 + 1] = {};
    WideCharToMultiByte(CP_ACP, 0, name, -1, out, sizeof(out) - 1, nullptr, nullptr);
    return out;
}

}  // namespace

COverClockThread::COverClockThread(IOverClockSdkInterface* loader)
    : m_hWnd(nullptr), m_pLoader(loader ? loader : IOverClockSdkInterface::Instance()) {}

COverClockThread::~COverClockThread() {
    // The worker would otherwise keep using this object's events after it is gone.
    if (m_hThread) Stop(kDestroyWaitMs);
}

uint32_t COverClockThread::CoreRatioControlId(int coreIndex) {
    if (coreIndex >= 0 && coreIndex < kCoreRatioTableSize) return kCoreRatioTable[coreIndex];
    return ControlId_Processor_1_Active_Core_Ratio_Limit;
}

bool COverClockThread::Start(HWND hWnd) {
    if (m_hThread) return false;
    if (ProgramSwitches::IsSet(L"TEST_WORKER_START_FAILS")) {
        VLOG("overclock worker start refused (test switch)");
        return false;
    }
    m_hWnd = hWnd;
    m_hStartEvent.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_hStopEvent.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_hReadEvent.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (m_hStartEvent && m_hStopEvent && m_hReadEvent)
        m_hThread.Reset(CreateThread(nullptr, 0,
                                     &vt::ThreadEntryOf<COverClockThread, &COverClockThread::ThreadOverClock>, this,
                                     0, nullptr));
    if (!m_hThread) {
        VLOG_LASTERROR();
        m_hStartEvent.Reset();
        m_hStopEvent.Reset();
        m_hReadEvent.Reset();
        return false;
    }
    return true;
}

bool COverClockThread::RequestRun() {
    return m_hStartEvent && SetEvent(m_hStartEvent.Get()) != FALSE;
}

bool COverClockThread::RequestRatioStateRead() {
    return m_hThread && m_hReadEvent && SetEvent(m_hReadEvent.Get()) != FALSE;
}

bool COverClockThread::StopOrLeave(DWORD waitMs) {
    if (StopOrLeaveReader(m_hThread, m_hStopEvent, waitMs, "overclock worker (between runs)")) {
        m_hStartEvent.Reset();
        m_hReadEvent.Reset();
        return true;
    }
    // Left running: the events it waits on stay open for it.
    m_hStartEvent.Release();
    m_hReadEvent.Release();
    return false;
}

void COverClockThread::Stop(DWORD dwWaitMs) {
    StopWorker(m_hThread, m_hStopEvent, dwWaitMs, "overclock worker");
    m_hStartEvent.Reset();
    m_hReadEvent.Reset();
}

bool COverClockThread::ThreadOverClock() {
    for (;;) {
        // The start event comes first: when both are signalled a pending run
        // still happens. A read of the ratios comes last: a run, which ends
        // with its own result, overtakes it.
        HANDLE events[3] = {m_hStartEvent.Get(), m_hStopEvent.Get(), m_hReadEvent.Get()};
        DWORD woken = WaitForMultipleObjects(3, events, FALSE, INFINITE);
        if (woken == WAIT_OBJECT_0 + 2) {
            // The SDK may be slow after a resume: read here, never on the window's thread.
            VLOG("[CoreRatioState] reading the core ratios");
            m_ratioState = ReadCoreRatioState();
            PostMessageW(GetAppState().hMainWnd, UM_RATIO_STATE_READ, reinterpret_cast<WPARAM>(&m_ratioState), 0);
            continue;
        }
        if (woken != WAIT_OBJECT_0) break;

        LONG nCurStatus = GetAppState().nStatus;
        bool bRet = Overclocking(nCurStatus == STATUS_OVERCLOCK_ING);
        VLOG("[Overclocking] bRet=%s nCurStatus=%d", TrueFalse(bRet), (int)nCurStatus);
        // Reset before the result goes out: once the window has it, it may ask
        // for the next run at once, and a reset after that would swallow it.
        // Requests made while the run was going are answered by that run.
        ResetEvent(m_hStartEvent.Get());
        PostMessageW(GetAppState().hMainWnd,
                     nCurStatus == STATUS_OVERCLOCK_ING ? UM_OVERCLOCK_FINISH : UM_RESTORE_FINISH, 0,
                     bRet ? 1 : 0);
        HoldAfterPostingForTest();
    }
    return true;
}

bool COverClockThread::Overclocking(bool bOverclock) {
    (void)bOverclock;  // the status decides per control (AppendControlOverclocking)
    VLOG("[Overclocking] in");
    IOverclockingSdk* sdk = m_pLoader->GetInterface();
    if (sdk == nullptr) {
        VLOG("[Overclocking] pSdk == NULL");
        return false;
    }
    ITuningLibrary* tuning =
        CSdkGuard::Value("GetTuningLibrary", (ITuningLibrary*)nullptr, [&] { return sdk->GetTuningLibrary(); });
    if (tuning == nullptr) {
        VLOG("[Overclocking] pTuningLib == NULL");
        return false;
    }

    // One of each per process, never destroyed: the library keeps the pointers.
    static MyOnApplyChangesListener* applyListener = new MyOnApplyChangesListener();
    static MyOnProposeChangesListener* proposeListener = new MyOnProposeChangesListener();
    if (!CSdkGuard::Run("SetOnApplyChangesListener", [&] { tuning->SetOnApplyChangesListener(applyListener); }) ||
        !CSdkGuard::Run("SetOnProposeChangesListener", [&] { tuning->SetOnProposeChangesListener(proposeListener); }))
        return false;

    if (!CSdkGuard::Value("IsProcessorCoreTunable", SdkBool(0), [&] { return tuning->IsProcessorCoreTunable(); })) {
        VLOG("[Overclocking] IsProcessorCoreTunable FALSE");
        return false;
    }

    bool result = false;
    IProcessorInfo* processor = ProcessorOf(sdk);
    if (processor != nullptr) {
        std::vector<ClientTuningProposal> proposals;
        bool bRestartRequired = false;
        int nCoreCount = CSdkGuard::Value("GetCoreCount", int32_t(0), [&] { return processor->GetCoreCount(); });
        VLOG("[Overclocking] nCoreCount=%d", nCoreCount);
        if (nCoreCount < 0 || nCoreCount > kMaxCores) {
            int bounded = nCoreCount < 0 ? 0 : kMaxCores;
            VLOG("[Overclocking] nCoreCount=%d refused, using %d", nCoreCount, bounded);
            nCoreCount = bounded;
        }
        for (int i = 0; i < nCoreCount; ++i) {
            uint32_t id = CoreRatioControlId(i);
            VLOG("[Overclocking] i=%d, id=%d", i, (int)id);
            ClientTuningControl control{};
            if (CSdkGuard::Value("GetControl", SdkBool(0), [&] { return tuning->GetControl(id, &control); })) {
                AppendControlOverclocking(control, proposals);
            } else {
                VLOG("[Overclocking] pTuningLib->GetControl(id=0x%X) failed", id);
            }
        }
        if (!proposals.empty()) {
            result = ApplyOverclocking(0, proposals, bRestartRequired) && HoldsProposals(tuning, proposals);
        } else {
            VLOG("[Overclocking] not need to overclocking");
        }
    }
    VLOG("[Overclocking] out %s", result ? "success" : "failed");
    return result;
}

bool COverClockThread::AppendControlOverclocking(const ClientTuningControl& control,
                                                 std::vector<ClientTuningProposal>& proposals) {
    LONG status = GetAppState().nStatus;
    if (status != STATUS_OVERCLOCK_ING && status != STATUS_REOVERCLOCK_ING) {
        VLOG("[AppendControlOverclocking] Is Not OVERCLOCKING ");
        return false;
    }
    double newValue = status == STATUS_OVERCLOCK_ING ? CalcOverclockingValue(control) : control.DefaultValue;
    if (!std::isfinite(newValue)) {
        // Never hand the hardware a value that is no number.
        VLOG("[AppendControlOverclocking] value %f for control 0x%X refused", newValue, control.Id);
        return false;
    }

    VLOG("[AppendControlOverclocking] name=%s", NarrowName(control).c_str());
    uint32_t count = control.ValueCount < SDK_MAX_CONTROL_VALUES ? control.ValueCount : SDK_MAX_CONTROL_VALUES;
    if (count > 1) {
        VLOG("[AppendControlOverclocking] front=%f", control.Values[0]);
        VLOG("[AppendControlOverclocking] back=%f", control.Values[count - 1]);
    }
    VLOG("[AppendControlOverclocking] Id=0x%X", control.Id);
    VLOG("[AppendControlOverclocking] DefaultValue=%f", control.DefaultValue);
    VLOG("[AppendControlOverclocking] ActiveValue=%f", control.ActiveValue);
    VLOG("[AppendControlOverclocking] ProposedValue=%f", control.ProposedValue);
    VLOG("[AppendControlOverclocking] new_value=%f", newValue);

    proposals.push_back(ClientTuningProposal{control.Id, newValue});
    return true;
}

double COverClockThread::CalcOverclockingValue(const ClientTuningControl& control) {
    double newValue;
    const AppState& state = GetAppState();
    // The window copies the entry before it raises the flag.
    if (state.g_bThisCPUHaveCustomData.load(std::memory_order_acquire)) {
        // One GHz is ten ratio steps. The product is kept in single precision
        // (a stored float, even where the FPU computes wider) so that a step
        // of 0.3 adds exactly 3.
        float increment = state.stCustomData.floatOverclockingStep;
        volatile float steps = increment * 10.0f;
        newValue = control.DefaultValue + (double)steps;
    } else {
        newValue = control.ProposedValue + 2.0;
    }
    VLOG("[CalcOverclockingValue] new_value=%f", newValue);
    return newValue;
}

bool COverClockThread::ApplyOverclocking(int nOrdinal, const std::vector<ClientTuningProposal>& proposals,
                                         bool bRestartRequired) {
    VLOG("[ApplyOverclocking] [in] nOrdinal=%d", nOrdinal);
    IOverclockingSdk* sdk = m_pLoader->GetInterface();
    if (sdk == nullptr || !CSdkGuard::Value("IsInitOK", SdkBool(0), [&] { return sdk->IsInitOK(); }))
        return false;
    ITuningLibrary* tuning =
        CSdkGuard::Value("GetTuningLibrary", (ITuningLibrary*)nullptr, [&] { return sdk->GetTuningLibrary(); });
    VLOG("CMainFrame::ApplyOverclocking: pTuningLib->ProposeChange");
    if (tuning == nullptr) return false;

    std::vector<ClientTuningProposalResult> results(proposals.size(), ClientTuningProposalResult{});
    if (!CSdkGuard::Value("ProposeChange", SdkBool(0), [&] {
            return tuning->ProposeChange(proposals.data(), (uint32_t)proposals.size(), results.data(),
                                         bRestartRequired ? 1 : 0);
        }))
        return false;
    for (const ClientTuningProposalResult& r : results) {
        VLOG("[ApplyOverclocking] ClientTuningProposalResult.Id=0x%X", r.Id);
        VLOG("[ApplyOverclocking] ClientTuningProposalResult.Value=%f", r.Value);
        VLOG("[ApplyOverclocking] ClientTuningProposalResult.Enabled=%s", TrueFalse(r.Enabled != 0));
        VLOG("[ApplyOverclocking] ClientTuningProposalResult.RebootRequired=%s",
             TrueFalse(r.RebootRequired != 0));
    }

    VLOG("[ApplyOverclocking] bRestartRequired=%d", bRestartRequired ? 1 : 0);
    if (CSdkGuard::Value("ApplyChanges", SdkBool(0), [&] { return tuning->ApplyChanges(bRestartRequired ? 1 : 0); })) {
        VLOG("[ApplyOverclocking] [out] nOrdinal=%d", nOrdinal);
        return true;
    }
    VLOG("CMainFrame::Overclocking: Unable to apply changes to the hardware!");
    return false;
}

bool COverClockThread::HoldsProposals(ITuningLibrary* tuning, const std::vector<ClientTuningProposal>& proposals) {
    // The SDK's yes to an apply is no proof: it can take a proposal, mark
    // it disabled and apply nothing. Only what the controls hold now counts.
    for (const ClientTuningProposal& p : proposals) {
        ClientTuningControl control{};
        if (!CSdkGuard::Value("GetControl", SdkBool(0), [&] { return tuning->GetControl(p.Id, &control); })) {
            VLOG("[Overclocking] read back: GetControl(id=0x%X) failed", p.Id);
            return false;
        }
        if (std::fabs(control.ActiveValue - p.Value) > 1e-6) {
            VLOG("[Overclocking] read back: id=0x%X holds %f, not %f", p.Id, control.ActiveValue, p.Value);
            return false;
        }
    }
    VLOG("[Overclocking] read back: every control holds its new value");
    return true;
}

COverClockThread::RatioState COverClockThread::ReadCoreRatioState() {
    IOverclockingSdk* sdk = m_pLoader->GetInterface();
    if (sdk == nullptr || !CSdkGuard::Value("IsInitOK", SdkBool(0), [&] { return sdk->IsInitOK(); })) {
        VLOG("[CoreRatioState] the tuning SDK is not available");
        return RatioState::Unknown;
    }
    ITuningLibrary* tuning =
        CSdkGuard::Value("GetTuningLibrary", (ITuningLibrary*)nullptr, [&] { return sdk->GetTuningLibrary(); });
    IProcessorInfo* processor = ProcessorOf(sdk);
    if (tuning == nullptr || processor == nullptr) {
        VLOG("[CoreRatioState] no tuning library or processor");
        return RatioState::Unknown;
    }
    int nCoreCount = CSdkGuard::Value("GetCoreCount", int32_t(0), [&] { return processor->GetCoreCount(); });
    // Cores past the table reuse its first control: each control is read once.
    int count = nCoreCount < kCoreRatioTableSize ? nCoreCount : kCoreRatioTableSize;
    bool unread = count <= 0;
    for (int i = 0; i < count; ++i) {
        ClientTuningControl control{};
        const uint32_t id = kCoreRatioTable[i];
        if (!CSdkGuard::Value("GetControl", SdkBool(0), [&] { return tuning->GetControl(id, &control); })) {
            VLOG("[CoreRatioState] GetControl(id=0x%X) failed", id);
            unread = true;
            continue;
        }
        if (std::fabs(control.ActiveValue - control.DefaultValue) > 1e-6) {
            VLOG("[CoreRatioState] id=0x%X active=%f default=%f: tuned", control.Id, control.ActiveValue,
                 control.DefaultValue);
            return RatioState::Tuned;
        }
    }
    VLOG("[CoreRatioState] %s", unread ? "not every core ratio could be read" : "every core ratio at its default");
    return unread ? RatioState::Unknown : RatioState::AtDefaults;
}
