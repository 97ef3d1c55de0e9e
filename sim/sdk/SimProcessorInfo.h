#pragma once
// The simulated processor as the SDK describes it.
#include "tuning/OverclockingSdk.h"

class CSimProcessorInfo : public IProcessorInfo {
public:
    static CSimProcessorInfo* Instance();

    SdkBool OCSDK_CALL GetName(wchar_t* buffer, uint32_t capacity) override;
    int32_t OCSDK_CALL GetCoreCount() override;
    void OCSDK_CALL Reserved2() override {}
    void OCSDK_CALL Reserved3() override {}
    void OCSDK_CALL Reserved4() override {}
    SdkBool OCSDK_CALL IsOverclockEnabled() override;
};
