#pragma once
// The simulated processor's live readings (monitor 5: current frequency, GHz).
#include "tuning/OverclockingSdk.h"

class CSimMonitoringLibrary : public IMonitoringLibrary {
public:
    static CSimMonitoringLibrary* Instance();

    void OCSDK_CALL Reserved0() override {}
    void OCSDK_CALL Reserved1() override {}
    double OCSDK_CALL GetMonitorValue(uint32_t monitorId) override;
    SdkBool OCSDK_CALL MonitorIsReady(uint32_t monitorId) override;
    void OCSDK_CALL BeginMonitoring() override;
    void OCSDK_CALL EndMonitoring() override;
};
