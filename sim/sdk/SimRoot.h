#pragma once
// The SDK root handed out by GetInterface; lives as long as the library.
#include "tuning/OverclockingSdk.h"

class CSimRoot : public IOverclockingSdk {
public:
    static CSimRoot* Instance();

    void OCSDK_CALL Init() override;
    SdkBool OCSDK_CALL IsInitOK() override;
    void OCSDK_CALL Reserved2() override {}
    IMonitoringLibrary* OCSDK_CALL GetMonitoringLibrary() override;
    ITuningLibrary* OCSDK_CALL GetTuningLibrary() override;
    ISystemInfo* OCSDK_CALL GetSystemInfo() override;
};
