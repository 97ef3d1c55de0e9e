#include "SimRoot.h"

#include "SimMonitoringLibrary.h"
#include "SimProcessor.h"
#include "SimSystemInfo.h"
#include "SimTuningLibrary.h"

CSimRoot* CSimRoot::Instance() {
    static CSimRoot instance;
    return &instance;
}

void CSimRoot::Init() {
    CSimProcessor::Instance().Enter("Init");
    CSimProcessor::Instance().Init();
}

SdkBool CSimRoot::IsInitOK() {
    CSimProcessor::Instance().Enter("IsInitOK");
    return CSimProcessor::Instance().IsInitOK() ? 1 : 0;
}

IMonitoringLibrary* CSimRoot::GetMonitoringLibrary() {
    CSimProcessor& p = CSimProcessor::Instance();
    p.Enter("GetMonitoringLibrary");
    return p.Faults().noMonitoringLibrary ? nullptr : CSimMonitoringLibrary::Instance();
}

ITuningLibrary* CSimRoot::GetTuningLibrary() {
    CSimProcessor& p = CSimProcessor::Instance();
    p.Enter("GetTuningLibrary");
    return p.Faults().noTuningLibrary ? nullptr : CSimTuningLibrary::Instance();
}

ISystemInfo* CSimRoot::GetSystemInfo() {
    CSimProcessor& p = CSimProcessor::Instance();
    p.Enter("GetSystemInfo");
    return p.Faults().noSystemInfo ? nullptr : CSimSystemInfo::Instance();
}
