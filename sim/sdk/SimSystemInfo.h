#pragma once
// System information of the simulated machine: its one processor.
#include "tuning/OverclockingSdk.h"

class CSimSystemInfo : public ISystemInfo {
public:
    static CSimSystemInfo* Instance();

    void OCSDK_CALL Reserved0() override {}
    void OCSDK_CALL Reserved1() override {}
    void OCSDK_CALL Reserved2() override {}
    IProcessorInfo* OCSDK_CALL GetProcessor() override;
};
