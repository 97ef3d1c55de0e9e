#include "SimSystemInfo.h"

#include "SimProcessor.h"
#include "SimProcessorInfo.h"

CSimSystemInfo* CSimSystemInfo::Instance() {
    static CSimSystemInfo instance;
    return &instance;
}

IProcessorInfo* CSimSystemInfo::GetProcessor() {
    CSimProcessor& p = CSimProcessor::Instance();
    p.Enter("GetProcessor");
    return p.Faults().noProcessor ? nullptr : CSimProcessorInfo::Instance();
}
