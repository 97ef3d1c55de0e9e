#include "tuning/GetCpuInfoThread.h"

#include <cmath>
#include <vector>

#include "log/BaseLog.h"
#include "state/AppState.h"
#include "state/WindowMessages.h"
#include "tuning/OverClockSdkInterface.h"
#include "tuning/OverclockingSdk.h"
#include "tuning/SdkGuard.h"
#include "tuning/TextSplit.h"
#include "thread/StopWorker.h"

namespace {

// The maximum turbo control may read 0 for a while after the SDK comes up; a
// few spaced reads cover that without ever keeping the window waiting for good.
constexpr int kMaxTurboTries = 3;
constexpr DWORD kMaxTurboPauseMs = 100;
// How long the destructor waits quietly for a running pass to finish.
constexpr DWORD kDestroyWaitMs = 5000;
constexpr uint32_t kBrandChars = 256;

void PostToMainWindow(UINT message, WPARAM wParam, LPARAM lParam) {
    PostMessageW(GetAppState().hMainWnd, message, wParam, lParam);
}

// No processor has more than a few dozen controls: a larger count is the
// library's fault and must not cost the process its memory.
constexpr uint32_t kMaxControls = 1024;

// Every control the library lists; empty when it lists none.
std::vector<ClientTuningControl> ReadAvailableControls(ITuningLibrary* lib) {
    std::vector<ClientTuningControl> controls(32);
    uint32_t count = 0;
    auto list = [&](uint32_t* listed) {
        return CSdkGuard::Value("GetAvailableControls", SdkBool(0), [&] {
            return lib->GetAvailableControls(controls.data(), (uint32_t)controls.size(), listed);
        });
    };
    if (!list(&count)) return {};
    if (count > kMaxControls) {
        VLOG("GetAvailableControls count %u refused: only the first %u are read", count, kMaxControls);
        count = kMaxControls;
    }
    if (count > controls.size()) {
        controls.assign(count, ClientTuningControl{});
        uint32_t again = 0;
        if (!list(&again)) return {};
        count = again < count ? again : count;
    }
    controls.resize(count);
    return controls;
}

bool Listed(const std::vector<ClientTuningControl>& controls, uint32_t id) {
    for (const ClientTuningControl& c : controls)
        if (c.Id == id) return true;
    return false;
}

}  // namespace

CGetCpuInfoThread::CGetCpuInfoThread(IOverClockSdkInterface* loader)
    : m_pLoader(loader ? loader : IOverClockSdkInterface::Instance()) {}

CGetCpuInfoThread::~CGetCpuInfoThread() {
    // The record dies with this object: a running pass finishes first. It is
    // never cut short, since it may be inside the tuning SDK.
    if (ThreadHandle() != nullptr) {
        if (StopEvent() != nullptr) SetEvent(StopEvent());
        WaitForWorkerEnd(ThreadHandle(), kDestroyWaitMs, "CPU information reader");
    }
}

int CGetCpuInfoThread::Run() {
    if (InitOverclockingSdk()) {
        bool read = GetCPUInformation();
        PostToMainWindow(UM_GETCPUINFO_FINISH, reinterpret_cast<WPARAM>(&m_CpuInfo), read ? 1 : 0);
    }
    return 0;
}

bool CGetCpuInfoThread::InitOverclockingSdk() {
    PostToMainWindow(UM_SDK_INIT_BEGIN, 0, 0);
    bool ok = m_pLoader->BringUpSdk() == IOverClockSdkInterface::BringUp::Ready;
    PostToMainWindow(UM_SDK_INIT_FINISH, 0, ok ? 1 : 0);
    return ok;
}

bool CGetCpuInfoThread::PauseBeforeRetry() {
    HANDLE stop = StopEvent();
    if (stop == nullptr) {
        Sleep(kMaxTurboPauseMs);
        return true;
    }
    return WaitForSingleObject(stop, kMaxTurboPauseMs) == WAIT_TIMEOUT;
}

bool CGetCpuInfoThread::GetCPUInformation() {
    IOverclockingSdk* sdk = m_pLoader->GetInterface();
    if (sdk == nullptr || !CSdkGuard::Value("IsInitOK", SdkBool(0), [&] { return sdk->IsInitOK(); }))
        return false;

    ISystemInfo* systemInfo =
        CSdkGuard::Value("GetSystemInfo", (ISystemInfo*)nullptr, [&] { return sdk->GetSystemInfo(); });
    if (systemInfo == nullptr) {
        VLOG("[GetCPUInformation] error pSystemInfo == NULL");
        return false;
    }
    IProcessorInfo* processor =
        CSdkGuard::Value("GetProcessor", (IProcessorInfo*)nullptr, [&] { return systemInfo->GetProcessor(); });
    if (processor == nullptr) {
        VLOG("[GetCPUInformation] error pProcessor == NULL");
        return false;
    }
    if (!CSdkGuard::Value("IsOverclockEnabled", SdkBool(0), [&] { return processor->IsOverclockEnabled(); })) {
        VLOG("[GetCPUInformation] error bEnableOver == false");
        return false;
    }

    wchar_t brand[kBrandChars] = {};
    if (!CSdkGuard::Run("GetName", [&] { processor->GetName(brand, kBrandChars); })) brand[0] = 0;
    brand[kBrandChars - 1] = 0;
    std::wstring strBrand(brand);
    std::vector<std::wstring> pieces;
    if (SplitText(strBrand, L"CPU @", pieces) >= 2) {
        m_CpuInfo.m_strCpuName = pieces[0];
        m_CpuInfo.m_strFrequence = pieces[1];
        std::vector<std::wstring> words;
        if (SplitText(m_CpuInfo.m_strCpuName, L" ", words) >= 1) m_CpuInfo.m_strCpuModel = words.back();
    } else {
        m_CpuInfo.m_strCpuName = strBrand;
    }

    std::vector<ClientTuningControl> controls;
    ITuningLibrary* tuning =
        CSdkGuard::Value("GetTuningLibrary", (ITuningLibrary*)nullptr, [&] { return sdk->GetTuningLibrary(); });
    if (tuning != nullptr) controls = ReadAvailableControls(tuning);

    struct Candidate {
        uint32_t id;
        const char* name;
        double scale;  // ratio controls count 100 MHz steps
    };
    static const Candidate kCandidates[] = {
        {ControlId_Processor_Max_Turbo_Boost_CPU_Speed, "ControlId_Processor_Max_Turbo_Boost_CPU_Speed", 1.0},
        {ControlId_Processor_Core_Ratio, "ControlId_Processor_Core_Ratio", 100.0},
        {ControlId_Processor_1_Active_Core_Ratio_Limit, "ControlId_Processor_1_Active_Core_Ratio_Limit", 100.0},
    };
    const Candidate* chosen = nullptr;
    for (const Candidate& c : kCandidates) {
        if (Listed(controls, c.id)) {
            chosen = &c;
            break;
        }
    }

    for (int attempt = 1; std::fabs(m_CpuInfo.m_dMaxTurboMHz) < 1e-11; ++attempt) {
        if (chosen == nullptr) {
            VLOG("[GetCPUInformation] no maximum turbo control listed, max turbo stays %lf",
                 m_CpuInfo.m_dMaxTurboMHz);
            break;
        }
        ClientTuningControl control{};
        if (CSdkGuard::Value("GetControl", SdkBool(0), [&] { return tuning->GetControl(chosen->id, &control); })) {
            double v = control.ProposedValue * chosen->scale;
            VLOG("%s", chosen->name);
            VLOG("curspeed %lf", v);
            // Asking again would not mend a value no processor can have.
            if (!std::isfinite(v) || v < 0) {
                VLOG("[GetCPUInformation] max turbo %lf refused, stays %lf", v, m_CpuInfo.m_dMaxTurboMHz);
                break;
            }
            if (std::fabs(m_CpuInfo.m_dMaxTurboMHz - v) > 1e-10) {
                m_CpuInfo.m_dMaxTurboMHz = v;
                VLOG("Max_Turbo_Boost_CPU %lf", v);
            }
        } else {
            VLOG("[GetCPUInformation] GetControl(id=0x%X) failed", chosen->id);
        }
        if (std::fabs(m_CpuInfo.m_dMaxTurboMHz) >= 1e-11) break;
        if (attempt >= kMaxTurboTries) {
            VLOG("[GetCPUInformation] max turbo not read after %d tries, stays %lf", attempt,
                 m_CpuInfo.m_dMaxTurboMHz);
            break;
        }
        if (!PauseBeforeRetry()) {
            VLOG("[GetCPUInformation] stopped while reading max turbo");
            break;
        }
    }
    return true;
}
