#include "tuning/ProcessorReading.h"

#include "tuning/OverClockSdkInterface.h"
#include "tuning/OverClockThread.h"
#include "tuning/SdkGuard.h"

namespace {
// Cores past the core ratio table share its first control.
constexpr int kTableCores = 10;
}  // namespace

bool CProcessorReading::Read(IOverClockSdkInterface* loader) {
    maxTurboMHz = 0;
    ratios.clear();
    IOverClockSdkInterface* sdkLoader = loader ? loader : IOverClockSdkInterface::Instance();
    IOverclockingSdk* sdk = sdkLoader->GetInterface();
    if (sdk == nullptr || !CSdkGuard::Value("IsInitOK", SdkBool(0), [&] { return sdk->IsInitOK(); })) return false;
    ITuningLibrary* tuning =
        CSdkGuard::Value("GetTuningLibrary", (ITuningLibrary*)nullptr, [&] { return sdk->GetTuningLibrary(); });
    ISystemInfo* system = CSdkGuard::Value("GetSystemInfo", (ISystemInfo*)nullptr, [&] { return sdk->GetSystemInfo(); });
    IProcessorInfo* processor =
        system ? CSdkGuard::Value("GetProcessor", (IProcessorInfo*)nullptr, [&] { return system->GetProcessor(); })
               : nullptr;
    if (tuning == nullptr || processor == nullptr) return false;
    ClientTuningControl control{};
    if (CSdkGuard::Value("GetControl", SdkBool(0), [&] {
            return tuning->GetControl(ControlId_Processor_Max_Turbo_Boost_CPU_Speed, &control);
        }) && control.ProposedValue > 0 && control.ProposedValue < 1e6)
        maxTurboMHz = control.ProposedValue;
    int cores = CSdkGuard::Value("GetCoreCount", int32_t(0), [&] { return processor->GetCoreCount(); });
    if (cores > kTableCores) cores = kTableCores;
    for (int i = 0; i < cores; ++i) {
        ClientTuningControl ratio{};
        const uint32_t id = COverClockThread::CoreRatioControlId(i);
        if (!CSdkGuard::Value("GetControl", SdkBool(0), [&] { return tuning->GetControl(id, &ratio); })) break;
        ratios.push_back(ratio.ActiveValue);
    }
    return true;
}
