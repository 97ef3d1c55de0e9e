#pragma once
// Samples the processor's current frequency at the "MonitorTime" period and
// posts each reading (UM_FREQUENCY_CHANGE) to the main window.
#include <windows.h>

#include <atomic>
#include <string>

#include "base/NonCopyable.h"
#include "base/Win32Owners.h"

class IOverClockSdkInterface;

class CCpuMonitorThread : private vt::NonCopyable {
public:
    // Where the settings INI lives ("MonitorTime" in "OverClockingKey");
    // GetSettingsPath unless a test points elsewhere. An empty path means
    // the default period.
    using SettingsPathFn = std::wstring (*)();

    // `loader` null: the process-wide SDK loader (tests pass their own).
    explicit CCpuMonitorThread(IOverClockSdkInterface* loader = nullptr);
    virtual ~CCpuMonitorThread();

    void SetSettingsPathSource(SettingsPathFn source) { m_settingsPath = source; }

    // Makes the stop event and the thread; false when either fails or a
    // thread is already held.
    bool Start(HWND hWnd);
    // Signals the stop event and waits up to `dwWaitMs` for the thread to
    // leave. A monitor only reads: one held inside the SDK past the wait is
    // left to end with the process (never ended by force). True when it ended.
    bool Stop(DWORD dwWaitMs);

    bool CpuMonitor();

    // The reading that UM_FREQUENCY_CHANGE points at (GHz), one per process.
    static const std::atomic<double>* CurrentFrequency();

    HANDLE ThreadHandle() const { return m_hThread.Get(); }
    HANDLE StopEvent() const { return m_hStopEvent.Get(); }

private:
    vt::UniqueHandle m_hThread;
    HWND m_hWnd;
    vt::UniqueHandle m_hStopEvent;
    IOverClockSdkInterface* m_pLoader;
    SettingsPathFn m_settingsPath;
};
