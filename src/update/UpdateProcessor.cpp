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

std::string CUpdateProcessor::InstallerHash(const char* szUrl) {
    CUpdateProcessor* self = Instance();
    if (!self->m_bStarted || !self->m_pfnGetInstallerHash || !szUrl) return std::string();
    char szSha256[kHashBufferSize] = {};
    if (!self->m_pfnGetInstallerHash(szUrl, szSha256)) return std::string();
    szSha256[kHashBufferSize - 1] = 0;
    // Given as it came: a malformed value matches no file, so it refuses
    // the download rather than being dropped in silence.
    return std::string(szSha256);
}
