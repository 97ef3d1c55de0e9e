#include "tuning/CpuMonitorThread.h"

#include <cmath>

#include "base/ThreadStack.h"
#include "log/BaseLog.h"
#include "log/LogInOut.h"
#include "settings/Settings.h"
#include "settings/SettingsFile.h"
#include "state/AppState.h"
#include "state/WindowMessages.h"
#include "tuning/OverClockSdkInterface.h"
#include "tuning/OverclockingSdk.h"
#include "thread/StopWorker.h"
#include "tuning/SdkGuard.h"

namespace {

// Written by the monitor thread only; the main window reads it through the
// address each message carries.
// Written by the monitor's thread, read by the window's: a whole double
// either way, without a lock.
std::atomic<double> g_dCurrentFrequency{0.0};
static_assert(std::atomic<double>::is_always_lock_free && sizeof(std::atomic<double>) == sizeof(double),
              "the reading is shared across threads without a lock");

}  // namespace

CCpuMonitorThread::CCpuMonitorThread(IOverClockSdkInterface* loader)
    : m_hWnd(nullptr),
      m_pLoader(loader ? loader : IOverClockSdkInterface::Instance()),
      m_settingsPath(&GetSettingsPath) {}

CCpuMonitorThread::~CCpuMonitorThread() {
    // The owner stops the monitor before it goes; a thread still held here
    // would go on using this object, so it is ended the same way.
    if (m_hThread) Stop(2000);
}

const std::atomic<double>* CCpuMonitorThread::CurrentFrequency() { return &g_dCurrentFrequency; }

bool CCpuMonitorThread::Start(HWND hWnd) {
    if (m_hThread) return false;
    m_hWnd = hWnd;
    m_hStopEvent.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!m_hStopEvent) {
        VLOG_LASTERROR();
        return false;
    }
    m_hThread.Reset(CreateThread(nullptr, 0, &vt::ThreadEntryOf<CCpuMonitorThread, &CCpuMonitorThread::CpuMonitor>,
                                 this, 0, nullptr));
    if (!m_hThread) {
        VLOG_LASTERROR();
        m_hStopEvent.Reset();
        return false;
    }
    return true;
}

bool CCpuMonitorThread::Stop(DWORD dwWaitMs) {
    return StopOrLeaveReader(m_hThread, m_hStopEvent, dwWaitMs, "frequency monitor");
}

bool CCpuMonitorThread::CpuMonitor() {
    CLogInOut scope("CCpuMonitorThread::CpuMonitor");

    // The settings reader gives the default until the path is known and for
    // a value that is not a number, and keeps the period from spinning.
    CSettingsFile settings;
    settings.SetPath(m_settingsPath ? m_settingsPath() : std::wstring());
    int period = settings.GetMonitorTime();
    VLOG("[CpuMonitor] Time=%d", period);

    IOverclockingSdk* sdk = m_pLoader->GetInterface();
    if (sdk == nullptr) {
        VLOG("[CpuMonitor] NULL == pSdk");
        return false;
    }
    if (!CSdkGuard::Value("IsInitOK", SdkBool(0), [&] { return sdk->IsInitOK(); })) {
        VLOG("[CpuMonitor] IsInitOK FALSE");
        return false;
    }
    IMonitoringLibrary* monitoring = CSdkGuard::Value("GetMonitoringLibrary", (IMonitoringLibrary*)nullptr,
                                                      [&] { return sdk->GetMonitoringLibrary(); });
    if (monitoring == nullptr) {
        VLOG("[CpuMonitor] pMonitoringLib = NULL");
        return false;
    }

    CSdkGuard::Run("BeginMonitoring", [&] { monitoring->BeginMonitoring(); });
    for (;;) {
        bool ready = false;
        double v = 0;
        if (!CSdkGuard::Run("GetMonitorValue", [&] {
                ready = monitoring->MonitorIsReady(MonitorId_Processor_Frequency) != 0;
                if (ready) v = monitoring->GetMonitorValue(MonitorId_Processor_Frequency);
            })) {
            VLOG("[CpuMonitor]  [catch] ...");
        } else if (ready && (!std::isfinite(v) || v < 0)) {
            // The dial and the frequency text have no place for it.
            VLOG("[CpuMonitor] reading %f GHZ refused", v);
        } else if (ready) {
            g_dCurrentFrequency = v;
            PostMessageW(GetAppState().hMainWnd, UM_FREQUENCY_CHANGE, reinterpret_cast<WPARAM>(&g_dCurrentFrequency),
                         0);
            VLOG("%f GHZ", v);
        } else {
            VLOG("[CpuMonitor] MonitorIsReady  FALSE");
        }
        // Anything but a time-out (the stop event, or no event at all) ends
        // the loop: a failed wait must not turn into a busy loop.
        if (WaitForSingleObject(m_hStopEvent.Get(), (DWORD)period) != WAIT_TIMEOUT) break;
    }
    CSdkGuard::Run("EndMonitoring", [&] { monitoring->EndMonitoring(); });
    return false;
}
