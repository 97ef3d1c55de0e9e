#include "update/UpdateProcessor.h"

#include "log/BaseLog.h"

CUpdateProcessor* CUpdateProcessor::Instance() {
    static CUpdateProcessor processor;
    return &processor;
}

int CUpdateProcessor::ManualCheckUpdate(bool bHoldSemaphore, char* szUrl) {
    CUpdateProcessor* self = Instance();
    if (szUrl) szUrl[0] = 0;
    if (!self->m_bStarted) {
        VLOG("error updater not begin");
        return 0;
    }
    if (!self->m_pfnCheckUpdate || !szUrl) return 0;
    int result = self->m_pfnCheckUpdate(bHoldSemaphore, szUrl);
    // The engine's text is not trusted to end inside the buffer.
    szUrl[kUrlBufferSize - 1] = 0;
    return result;
}
