#pragma once
// Changes the processor: on each start request it overclocks (status 1) or
// restores the defaults (status 3) of the per-core turbo ratio controls and
// posts UM_OVERCLOCK_FINISH / UM_RESTORE_FINISH to the main window.
#include <windows.h>

#include <atomic>
#include <vector>

#include "base/NonCopyable.h"
#include "base/Win32Owners.h"
#include "tuning/OverclockingSdk.h"

class IOverClockSdkInterface;

class COverClockThread : private vt::NonCopyable {
public:
    // `loader` null: the process-wide SDK loader (tests pass their own).
    explicit COverClockThread(IOverClockSdkInterface* loader = nullptr);
    virtual ~COverClockThread();

    // Makes the start and stop events (manual-reset) and the thread; false
    // when one of them fails or a thread is already held.
    bool Start(HWND hWnd);
    // Asks for one run (the status must be set first); false before Start.
    bool RequestRun();
    // Asks the worker to read the core ratios' state, between runs, and to
    // post UM_RATIO_STATE_READ with RatioStateRecord(); false before Start.
    bool RequestRatioStateRead();
    // Signals the stop event and waits for the thread to leave (after
    // `dwWaitMs`, with a log line every 10 s; never ended by force: it may be
    // inside the SDK's apply), then forgets it.
    void Stop(DWORD dwWaitMs);
    // Between runs, when the worker at most reads the ratios: waits up to
    // `waitMs`, then leaves it to end with the process (StopWorker.h). True
    // when it ended.
    bool StopOrLeave(DWORD waitMs);

    bool ThreadOverClock();

    // One run on the calling thread; overclock or restore follows the status.
    bool Overclocking(bool bOverclock);
    bool AppendControlOverclocking(const ClientTuningControl& control,
                                   std::vector<ClientTuningProposal>& proposals);
    double CalcOverclockingValue(const ClientTuningControl& control);
    bool ApplyOverclocking(int nOrdinal, const std::vector<ClientTuningProposal>& proposals,
                           bool bRestartRequired);

    // What the core ratio controls hold now: a control whose active value
    // is not its default means the processor is tuned; Unknown when the SDK
    // or a control cannot be read.
    enum class RatioState { AtDefaults, Tuned, Unknown };
    RatioState ReadCoreRatioState();
    // What the last read asked with RequestRatioStateRead found; the address
    // is what UM_RATIO_STATE_READ carries.
    const std::atomic<RatioState>* RatioStateRecord() const { return &m_ratioState; }

    // Control id of the turbo ratio for core index i.
    static uint32_t CoreRatioControlId(int coreIndex);

    HANDLE ThreadHandle() const { return m_hThread.Get(); }
    HANDLE StartEvent() const { return m_hStartEvent.Get(); }
    HANDLE StopEvent() const { return m_hStopEvent.Get(); }

private:
    // After an apply: every proposed control now holds the value proposed.
    bool HoldsProposals(ITuningLibrary* tuning, const std::vector<ClientTuningProposal>& proposals);

    vt::UniqueHandle m_hThread;
    HWND m_hWnd;
    vt::UniqueHandle m_hStopEvent;
    vt::UniqueHandle m_hStartEvent;
    vt::UniqueHandle m_hReadEvent;
    std::atomic<RatioState> m_ratioState{RatioState::Unknown};
    IOverClockSdkInterface* m_pLoader;
};
