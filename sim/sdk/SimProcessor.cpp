#include "SimProcessor.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "SimStateFile.h"
#include "common/SimEnvironment.h"

namespace {

const wchar_t kLibrary[] = L"OverclockingSdkWrapper";

const uint32_t kCoreRatioIds[] = {29, 30, 31, 32, 42, 43, 96, 97, 107, 108};

bool IsCoreRatioId(uint32_t id) {
    for (uint32_t r : kCoreRatioIds)
        if (r == id) return true;
    return false;
}

uint64_t FileStamp(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    uint64_t t = ((uint64_t)data.ftLastWriteTime.dwHighDateTime << 32) | data.ftLastWriteTime.dwLowDateTime;
    uint64_t size = ((uint64_t)data.nFileSizeHigh << 32) | data.nFileSizeLow;
    return (t ^ (size * 0x9E3779B97F4A7C15ull)) | 1;
}

}  // namespace

CSimProcessor& CSimProcessor::Instance() {
    static CSimProcessor instance;
    return instance;
}

void CSimProcessor::Refresh(bool force) {
    // The switches live in the default profile itself, section [StandIn],
    // under the vendor's file name whatever this copy is called.
    std::wstring profilePath = simcommon::SwitchPath(L"PROFILE", L"OverclockingSdkWrapper.ini", kLibrary);
    std::wstring statePath = simcommon::SwitchPath(L"STATE", L"OverclockingSdkWrapper.state", kLibrary);
    uint64_t stamp = FileStamp(profilePath);
    CSimLockGuard guard(m_lock);
    // A state file changed from outside (simcpu resume or reboot) is what the
    // board holds now, as when it drops its tuned values after a resume.
    // Looked at under the lock, so that an apply on another thread is never
    // taken for an outside change.
    uint64_t stateStamp = FileStamp(statePath);
    if (!force && m_everRead && profilePath == m_profilePath && statePath == m_statePath &&
        stamp == m_profileStamp && stateStamp == m_stateStamp)
        return;
    m_profilePath = profilePath;
    m_statePath = statePath;
    m_profileStamp = stamp;
    m_everRead = true;
    LoadLocked();
}

void CSimProcessor::LoadLocked() {
    m_controls.clear();
    m_loaded = m_profile.Load(m_profilePath);
    if (!m_loaded) {
        OutputDebugStringW((L"simcpu: no processor profile at " + m_profilePath).c_str());
        return;
    }
    std::map<uint32_t, double> state = CSimStateFile::Read(m_statePath);
    m_stateStamp = FileStamp(m_statePath);
    for (const SimControlSpec& spec : m_profile.m_controls) {
        Control c;
        c.spec = spec;
        auto saved = state.find(spec.id);
        if (saved != state.end()) {
            // Settings applied before: what was pending then is gone now.
            c.active = saved->second;
            c.proposed = c.active;
        } else {
            c.active = spec.activeValue;
            c.proposed = spec.hasProposed ? spec.proposedValue : spec.activeValue;
        }
        m_controls.push_back(c);
    }
    FollowTurboLocked();
    if (m_random == 0) m_random = ((uint64_t)GetTickCount() << 20) ^ GetCurrentProcessId() ^ 0x2545F4914F6CDD1Dull;
}

CSimProcessor::Control* CSimProcessor::FindLocked(uint32_t id) {
    for (Control& c : m_controls)
        if (c.spec.id == id) return &c;
    return nullptr;
}

void CSimProcessor::FollowTurboLocked() {
    // The highest turbo frequency is what the 1-core ratio allows.
    Control* ratio = FindLocked(ControlId_Processor_1_Active_Core_Ratio_Limit);
    Control* turbo = FindLocked(ControlId_Processor_Max_Turbo_Boost_CPU_Speed);
    if (ratio == nullptr || turbo == nullptr || turbo->pending) return;
    turbo->proposed = ratio->active * 100.0;
}

bool CSimProcessor::IsAllowed(const Control& c, double value) const {
    for (double a : c.spec.allowed)
        if (std::fabs(a - value) < 1e-6) return true;
    return false;
}

void CSimProcessor::FillControl(const Control& c, ClientTuningControl* out) const {
    std::memset(out, 0, sizeof(*out));
    out->Id = c.spec.id;
    out->DefaultValue = c.spec.defaultValue;
    out->ActiveValue = c.active;
    out->ProposedValue = c.proposed;
    size_t n = std::min<size_t>(c.spec.allowed.size(), SDK_MAX_CONTROL_VALUES);
    out->ValueCount = (uint32_t)n;
    for (size_t i = 0; i < n; ++i) out->Values[i] = c.spec.allowed[i];
    size_t len = std::min<size_t>(c.spec.name.size(), SDK_MAX_CONTROL_NAME - 1);
    std::memcpy(out->Name, c.spec.name.data(), len * sizeof(wchar_t));
    out->Name[len] = 0;
}

double CSimProcessor::NextRandomLocked() {
    // xorshift64*: plenty for jitter, and no shared runtime state.
    m_random ^= m_random >> 12;
    m_random ^= m_random << 25;
    m_random ^= m_random >> 27;
    uint64_t r = m_random * 0x2545F4914F6CDD1Dull;
    return (double)(r >> 11) / 9007199254740992.0;
}

void CSimProcessor::Enter(const char* call) {
    uint32_t ms = 0;
    bool raise = false, access = false;
    std::wstring hold;
    {
        CSimLockGuard guard(m_lock);
        const SimFaults& f = m_profile.m_faults;
        ms = f.delayMs;
        hold = f.holdWhileFile;
        for (const std::string& name : f.raiseIn)
            if (name == call) raise = true;
        access = f.raiseAccessViolation;
    }
    if (ms > 0) Sleep(ms);
    while (!hold.empty() && GetFileAttributesW(hold.c_str()) != INVALID_FILE_ATTRIBUTES) Sleep(20);
    if (!raise) return;
    if (access) {
        // A real fault, not a raised code: a read of an unmapped page.
        static volatile uintptr_t unmapped = 16;
        (void)*reinterpret_cast<volatile const int*>(unmapped);
    }
    // The vendor's compiler turns `throw` into this structured exception; an
    // exception of ours would not unwind out of a library on x86 at all.
    const ULONG_PTR info[3] = {0x19930520, 0, 0};
    RaiseException(0xE06D7363, EXCEPTION_NONCONTINUABLE, 3, info);
}

SimFaults CSimProcessor::Faults() {
    CSimLockGuard guard(m_lock);
    return m_profile.m_faults;
}

bool CSimProcessor::HasRoot() {
    CSimLockGuard guard(m_lock);
    return m_loaded && !m_profile.m_faults.noRoot;
}

void CSimProcessor::Init() {
    Refresh(true);
    CSimLockGuard guard(m_lock);
    m_initDone = true;
}

bool CSimProcessor::IsInitOK() {
    CSimLockGuard guard(m_lock);
    return m_initDone && m_loaded && !m_profile.m_faults.initFails;
}

bool CSimProcessor::GetName(wchar_t* buffer, uint32_t capacity) {
    if (buffer == nullptr || capacity == 0) return false;
    CSimLockGuard guard(m_lock);
    const std::wstring& brand = m_profile.m_brand;
    size_t len = std::min<size_t>(brand.size(), capacity - 1);
    std::memcpy(buffer, brand.data(), len * sizeof(wchar_t));
    buffer[len] = 0;
    return m_loaded && len == brand.size();
}

int32_t CSimProcessor::GetCoreCount() {
    CSimLockGuard guard(m_lock);
    return m_loaded ? m_profile.m_coreCount : 0;
}

bool CSimProcessor::IsOverclockEnabled() {
    CSimLockGuard guard(m_lock);
    return m_loaded && m_profile.m_overclockEnabled && !m_profile.m_faults.overclockDisabled;
}

bool CSimProcessor::GetAvailableControls(ClientTuningControl* controls, uint32_t capacity, uint32_t* count) {
    if (count == nullptr || (controls == nullptr && capacity > 0)) return false;
    CSimLockGuard guard(m_lock);
    const SimFaults& faults = m_profile.m_faults;
    *count = faults.hasControlCount ? faults.controlCount : (uint32_t)m_controls.size();
    for (uint32_t i = 0; i < capacity && i < m_controls.size(); ++i) FillControl(m_controls[i], &controls[i]);
    return m_loaded;
}

bool CSimProcessor::GetControl(uint32_t id, ClientTuningControl* control) {
    if (control == nullptr) return false;
    CSimLockGuard guard(m_lock);
    const std::vector<uint32_t>& failing = m_profile.m_faults.getControlFailsFor;
    if (std::find(failing.begin(), failing.end(), id) != failing.end()) return false;
    Control* c = FindLocked(id);
    if (c == nullptr) return false;
    FillControl(*c, control);
    return true;
}

bool CSimProcessor::IsProcessorCoreTunable() {
    CSimLockGuard guard(m_lock);
    return m_loaded && m_profile.m_coreTunable && !m_profile.m_faults.coresNotTunable;
}

void CSimProcessor::SetApplyListener(ITuningLibrary::OnApplyChangesListener* listener) {
    CSimLockGuard guard(m_lock);
    m_applyListener = listener;
}

void CSimProcessor::SetProposeListener(ITuningLibrary::OnProposeChangesListener* listener) {
    CSimLockGuard guard(m_lock);
    m_proposeListener = listener;
}

bool CSimProcessor::ApplyChanges() {
    ITuningLibrary::OnApplyChangesListener* listener = nullptr;
    bool ok = false;
    {
        CSimLockGuard guard(m_lock);
        listener = m_applyListener;
        if (m_loaded && !m_profile.m_faults.applyFails) {
            bool ratioChanged = false;
            for (Control& c : m_controls) {
                if (!c.pending) continue;
                if (c.spec.id == ControlId_Processor_1_Active_Core_Ratio_Limit && c.active != c.proposed)
                    ratioChanged = true;
                c.active = c.proposed;
                c.pending = false;
            }
            Control* turbo = FindLocked(ControlId_Processor_Max_Turbo_Boost_CPU_Speed);
            Control* ratio = FindLocked(ControlId_Processor_1_Active_Core_Ratio_Limit);
            if (ratioChanged && turbo != nullptr && ratio != nullptr) turbo->active = ratio->active * 100.0;
            FollowTurboLocked();
            std::map<uint32_t, double> state;
            for (const Control& c : m_controls) state[c.spec.id] = c.active;
            ok = CSimStateFile::Write(m_statePath, state);
            m_stateStamp = FileStamp(m_statePath);  // its own write is no outside change
            if (!ok) OutputDebugStringW((L"simcpu: cannot write " + m_statePath).c_str());
        }
    }
    // Outside the lock: the listener may call back into the library.
    if (listener != nullptr) listener->OnApplyChanges(ok ? 1 : 0);
    return ok;
}

bool CSimProcessor::ProposeChange(const ClientTuningProposal* proposals, uint32_t count,
                                  ClientTuningProposalResult* results, bool validateOnly) {
    if (count > 0 && (proposals == nullptr || results == nullptr)) return false;
    ITuningLibrary::OnProposeChangesListener* listener = nullptr;
    std::vector<ClientTuningProposalResult> copy;
    {
        CSimLockGuard guard(m_lock);
        const SimFaults& f = m_profile.m_faults;
        for (uint32_t i = 0; i < count; ++i) {
            results[i].Id = proposals[i].Id;
            results[i].Value = proposals[i].Value;
            results[i].Enabled = 0;
            results[i].RebootRequired = 0;
        }
        if (!m_loaded || f.proposeFails) return false;
        for (uint32_t i = 0; i < count; ++i) {
            Control* c = FindLocked(proposals[i].Id);
            bool take = c != nullptr && !f.resultDisabled && IsAllowed(*c, proposals[i].Value);
            if (take && !validateOnly) {
                c->proposed = proposals[i].Value;
                c->pending = true;
            }
            results[i].Enabled = take ? 1 : 0;
            results[i].RebootRequired = (take && f.resultRebootRequired) ? 1 : 0;
        }
        listener = m_proposeListener;
        if (listener != nullptr) copy.assign(results, results + count);
    }
    if (listener != nullptr) listener->OnProposeChanges(copy.data(), (uint32_t)copy.size());
    return true;
}

bool CSimProcessor::MonitorIsReady(uint32_t monitorId) {
    CSimLockGuard guard(m_lock);
    return m_loaded && monitorId == MonitorId_Processor_Frequency && !m_profile.m_faults.monitorNeverReady;
}

double CSimProcessor::GetMonitorValue(uint32_t monitorId) {
    double value = 0;
    {
        CSimLockGuard guard(m_lock);
        if (m_loaded && monitorId == MonitorId_Processor_Frequency) {
            double ratio = 0;
            for (const Control& c : m_controls)
                if (IsCoreRatioId(c.spec.id)) ratio = std::max(ratio, c.active);
            if (ratio <= 0) {
                const Control* turbo = FindLocked(ControlId_Processor_Max_Turbo_Boost_CPU_Speed);
                if (turbo != nullptr) ratio = turbo->active / 100.0;
            }
            double top = ratio / 10.0;
            // Mostly at the top turbo bin, give or take half a percent; now
            // and then a load dip to 70-90 % as the cores idle down.
            if (NextRandomLocked() < 0.1)
                value = top * (0.70 + 0.20 * NextRandomLocked());
            else
                value = top * (0.995 + 0.01 * NextRandomLocked());
        }
    }
    return value;
}

void CSimProcessor::BeginMonitoring() {
    CSimLockGuard guard(m_lock);
    ++m_monitoring;
}

void CSimProcessor::EndMonitoring() {
    CSimLockGuard guard(m_lock);
    if (m_monitoring > 0) --m_monitoring;
}
