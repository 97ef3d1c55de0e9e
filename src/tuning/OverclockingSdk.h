#pragma once
// Binary interface of the tuning SDK library (OverclockingSdkWrapper.dll).
//
// The library may be built by another compiler than this program, so this
// header keeps to what every Windows C++ compiler lays out alike:
//   - pure virtual interfaces with single inheritance, no virtual destructors,
//     every method __stdcall (the COM convention); the slot order is fixed and
//     unused slots stay as Reserved entries so that later slots keep their place;
//   - plain C types only: fixed-size records, int32 booleans, wchar_t (UTF-16);
//   - no exceptions by contract, except GetMonitorValue (see below);
//   - lists are caller-owned arrays with a capacity and a count. The library
//     never allocates memory that the caller must free, and every interface
//     pointer it hands out is owned by the library and lives until the process
//     ends (there is no Release).
#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

#define OCSDK_CALL __stdcall

typedef int32_t SdkBool;  // 0 = false, anything else = true

// Control ids.
enum : uint32_t {
    ControlId_Processor_1_Active_Core_Ratio_Limit = 29,
    ControlId_Processor_2_Active_Core_Ratio_Limit = 30,
    ControlId_Processor_3_Active_Core_Ratio_Limit = 31,
    ControlId_Processor_4_Active_Core_Ratio_Limit = 32,
    ControlId_Processor_5_Active_Core_Ratio_Limit = 42,
    ControlId_Processor_6_Active_Core_Ratio_Limit = 43,
    ControlId_Processor_7_Active_Core_Ratio_Limit = 96,
    ControlId_Processor_8_Active_Core_Ratio_Limit = 97,
    ControlId_Processor_9_Active_Core_Ratio_Limit = 107,
    ControlId_Processor_10_Active_Core_Ratio_Limit = 108,
    ControlId_Processor_Max_Turbo_Boost_CPU_Speed = 0xD0000002u,  // MHz
    ControlId_Processor_Core_Ratio = 0xD0000005u,                 // ratio
};

// Monitor ids.
enum : uint32_t {
    MonitorId_Processor_Frequency = 5,  // current core frequency, GHz
};

enum : uint32_t {
    SDK_MAX_CONTROL_VALUES = 256,
    SDK_MAX_CONTROL_NAME = 64,
};

#pragma pack(push, 8)

// Ratio controls hold multipliers of 100 MHz; the maximum turbo control MHz.
struct ClientTuningControl {
    uint32_t Id;
    double DefaultValue;
    double ActiveValue;
    double ProposedValue;
    uint32_t ValueCount;                    // entries used in Values
    double Values[SDK_MAX_CONTROL_VALUES];  // allowed values, ascending
    wchar_t Name[SDK_MAX_CONTROL_NAME];     // zero-terminated
    uint32_t Flags;                         // not read by the program
};

struct ClientTuningProposal {
    uint32_t Id;
    double Value;
};

struct ClientTuningProposalResult {
    uint32_t Id;
    double Value;
    SdkBool Enabled;         // the value is allowed and was taken
    SdkBool RebootRequired;  // takes effect only after a restart
};

#pragma pack(pop)

// The same layout on both builds, as the vendor's compiler lays it out:
// doubles on 8-byte boundaries in x86 records too.
static_assert(sizeof(ClientTuningControl) == 2224, "SDK record layout");
static_assert(offsetof(ClientTuningControl, DefaultValue) == 8, "SDK record layout");
static_assert(offsetof(ClientTuningControl, Values) == 40, "SDK record layout");
static_assert(offsetof(ClientTuningControl, Name) == 2088, "SDK record layout");
static_assert(offsetof(ClientTuningProposalResult, Enabled) == 16, "SDK record layout");
static_assert(sizeof(ClientTuningProposal) == 16, "SDK record layout");
static_assert(sizeof(ClientTuningProposalResult) == 24, "SDK record layout");

struct IProcessorInfo {
    // Brand string into a caller buffer of `capacity` wide characters.
    virtual SdkBool OCSDK_CALL GetName(wchar_t* buffer, uint32_t capacity) = 0;
    virtual int32_t OCSDK_CALL GetCoreCount() = 0;
    virtual void OCSDK_CALL Reserved2() = 0;
    virtual void OCSDK_CALL Reserved3() = 0;
    virtual void OCSDK_CALL Reserved4() = 0;
    virtual SdkBool OCSDK_CALL IsOverclockEnabled() = 0;
};

struct ISystemInfo {
    virtual void OCSDK_CALL Reserved0() = 0;
    virtual void OCSDK_CALL Reserved1() = 0;
    virtual void OCSDK_CALL Reserved2() = 0;
    virtual IProcessorInfo* OCSDK_CALL GetProcessor() = 0;
};

struct ITuningLibrary {
    struct OnProposeChangesListener {
        // Results of the last ProposeChange: `count` records, valid during the call.
        virtual void OCSDK_CALL OnProposeChanges(const ClientTuningProposalResult* results,
                                                 uint32_t count) = 0;
    };
    struct OnApplyChangesListener {
        virtual void OCSDK_CALL OnApplyChanges(SdkBool success) = 0;
    };

    // Copies up to `capacity` controls into `controls`; `*count` receives the
    // number of controls the library has (which may exceed `capacity`).
    virtual SdkBool OCSDK_CALL GetAvailableControls(ClientTuningControl* controls,
                                                    uint32_t capacity, uint32_t* count) = 0;
    virtual SdkBool OCSDK_CALL GetControl(uint32_t id, ClientTuningControl* control) = 0;
    virtual void OCSDK_CALL Reserved2() = 0;
    virtual SdkBool OCSDK_CALL IsProcessorCoreTunable() = 0;
    virtual void OCSDK_CALL Reserved4() = 0;
    virtual void OCSDK_CALL Reserved5() = 0;
    virtual void OCSDK_CALL Reserved6() = 0;
    virtual void OCSDK_CALL Reserved7() = 0;
    // The listener is not owned; it must outlive the library's use of it
    // (pass nullptr to remove it).
    virtual void OCSDK_CALL SetOnApplyChangesListener(OnApplyChangesListener* listener) = 0;
    // Makes the proposed values active.
    virtual SdkBool OCSDK_CALL ApplyChanges(SdkBool bRestartRequired) = 0;
    virtual void OCSDK_CALL SetOnProposeChangesListener(OnProposeChangesListener* listener) = 0;
    // Checks `count` proposals against each control's allowed values and
    // records them as proposed; `results` (caller-owned, `count` entries)
    // receives one record per proposal, in order.
    virtual SdkBool OCSDK_CALL ProposeChange(const ClientTuningProposal* proposals, uint32_t count,
                                             ClientTuningProposalResult* results,
                                             SdkBool bValidateOnly) = 0;
};

struct IMonitoringLibrary {
    virtual void OCSDK_CALL Reserved0() = 0;
    virtual void OCSDK_CALL Reserved1() = 0;
    // May raise a C++ exception when the monitor driver fails; callers on
    // a sampling loop catch it (the only exception the interface allows).
    virtual double OCSDK_CALL GetMonitorValue(uint32_t monitorId) = 0;
    virtual SdkBool OCSDK_CALL MonitorIsReady(uint32_t monitorId) = 0;
    virtual void OCSDK_CALL BeginMonitoring() = 0;
    virtual void OCSDK_CALL EndMonitoring() = 0;
};

struct IOverclockingSdk {
    virtual void OCSDK_CALL Init() = 0;
    virtual SdkBool OCSDK_CALL IsInitOK() = 0;
    virtual void OCSDK_CALL Reserved2() = 0;
    virtual IMonitoringLibrary* OCSDK_CALL GetMonitoringLibrary() = 0;
    virtual ITuningLibrary* OCSDK_CALL GetTuningLibrary() = 0;
    virtual ISystemInfo* OCSDK_CALL GetSystemInfo() = 0;
};

// The library's one export: the root interface, or null.
extern "C" typedef IOverclockingSdk*(OCSDK_CALL* PFN_OverclockingSdkGetInterface)(void);
#define OCSDK_EXPORT_GETINTERFACE "GetInterface"
