#pragma once
// The simulated processor behind the SDK interfaces: its profile, its
// current settings and the state file that keeps them. Every public call
// takes the library's lock, so the SDK may be used from any thread.
#include <stdint.h>

#include <string>
#include <vector>

#include "SimLock.h"
#include "SimProfile.h"
#include "tuning/OverclockingSdk.h"

class CSimProcessor {
public:
    static CSimProcessor& Instance();

    // Re-reads profile and state when the profile or state path (from the
    // environment), the profile file or the state file changed since the
    // last read (or the library's own write);
    // `force` re-reads in any case.
    void Refresh(bool force);
    // Every interface call starts here, outside the lock: sleeps the
    // profile's per-call delay, then fails the call the way a library built
    // by the vendor's compiler fails when the profile names it (RaiseIn).
    void Enter(const char* call);
    SimFaults Faults();

    bool HasRoot();
    void Init();
    bool IsInitOK();

    bool GetName(wchar_t* buffer, uint32_t capacity);
    int32_t GetCoreCount();
    bool IsOverclockEnabled();

    bool GetAvailableControls(ClientTuningControl* controls, uint32_t capacity, uint32_t* count);
    bool GetControl(uint32_t id, ClientTuningControl* control);
    bool IsProcessorCoreTunable();
    void SetApplyListener(ITuningLibrary::OnApplyChangesListener* listener);
    void SetProposeListener(ITuningLibrary::OnProposeChangesListener* listener);
    bool ApplyChanges();
    bool ProposeChange(const ClientTuningProposal* proposals, uint32_t count,
                       ClientTuningProposalResult* results, bool validateOnly);

    bool MonitorIsReady(uint32_t monitorId);
    // Throws std::runtime_error when the profile says the monitor driver fails.
    double GetMonitorValue(uint32_t monitorId);
    void BeginMonitoring();
    void EndMonitoring();

private:
    struct Control {
        SimControlSpec spec;
        double active = 0;
        double proposed = 0;
        bool pending = false;  // proposed since the last apply
    };

    CSimProcessor() = default;
    CSimProcessor(const CSimProcessor&) = delete;
    CSimProcessor& operator=(const CSimProcessor&) = delete;

    void LoadLocked();
    Control* FindLocked(uint32_t id);
    void FollowTurboLocked();
    bool IsAllowed(const Control& c, double value) const;
    void FillControl(const Control& c, ClientTuningControl* out) const;
    double NextRandomLocked();  // uniform in [0, 1)

    CSimLock m_lock;
    std::wstring m_profilePath;
    std::wstring m_statePath;
    uint64_t m_profileStamp = 0;
    uint64_t m_stateStamp = 0;
    bool m_everRead = false;
    bool m_loaded = false;
    bool m_initDone = false;
    int m_monitoring = 0;
    uint64_t m_random = 0;
    CSimProfile m_profile;
    std::vector<Control> m_controls;
    ITuningLibrary::OnApplyChangesListener* m_applyListener = nullptr;
    ITuningLibrary::OnProposeChangesListener* m_proposeListener = nullptr;
};
