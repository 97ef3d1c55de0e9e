#include "SimMonitoringLibrary.h"

#include "SimProcessor.h"

CSimMonitoringLibrary* CSimMonitoringLibrary::Instance() {
    static CSimMonitoringLibrary instance;
    return &instance;
}

double CSimMonitoringLibrary::GetMonitorValue(uint32_t monitorId) {
    CSimProcessor::Instance().Enter("GetMonitorValue");
    return CSimProcessor::Instance().GetMonitorValue(monitorId);
}

SdkBool CSimMonitoringLibrary::MonitorIsReady(uint32_t monitorId) {
    CSimProcessor::Instance().Enter("MonitorIsReady");
    return CSimProcessor::Instance().MonitorIsReady(monitorId) ? 1 : 0;
}

void CSimMonitoringLibrary::BeginMonitoring() {
    CSimProcessor::Instance().Enter("BeginMonitoring");
    CSimProcessor::Instance().BeginMonitoring();
}

void CSimMonitoringLibrary::EndMonitoring() {
    CSimProcessor::Instance().Enter("EndMonitoring");
    CSimProcessor::Instance().EndMonitoring();
}
