#include "SimProcessorInfo.h"

#include "SimProcessor.h"

CSimProcessorInfo* CSimProcessorInfo::Instance() {
    static CSimProcessorInfo instance;
    return &instance;
}

SdkBool CSimProcessorInfo::GetName(wchar_t* buffer, uint32_t capacity) {
    CSimProcessor::Instance().Enter("GetName");
    return CSimProcessor::Instance().GetName(buffer, capacity) ? 1 : 0;
}

int32_t CSimProcessorInfo::GetCoreCount() {
    CSimProcessor::Instance().Enter("GetCoreCount");
    return CSimProcessor::Instance().GetCoreCount();
}

SdkBool CSimProcessorInfo::IsOverclockEnabled() {
    CSimProcessor::Instance().Enter("IsOverclockEnabled");
    return CSimProcessor::Instance().IsOverclockEnabled() ? 1 : 0;
}
