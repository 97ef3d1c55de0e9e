#pragma once
// The process-wide entry to the update engine: its check entry and whether
// it was started. Nothing in the program starts an engine, so every check
// answers 0 ("error updater not begin" in the log).
#include <string>

#include "base/NonCopyable.h"

class CUpdateProcessor : private vt::NonCopyable {
public:
    static constexpr int kUrlBufferSize = 512;
    // The engine's check: whether this process holds the update semaphore,
    // and a buffer of kUrlBufferSize bytes that receives the download URL.
    typedef int (*PFN_CheckUpdate)(bool bHoldSemaphore, char* szUrl);
    // The engine's word on the installer behind a URL: its SHA-256 as 64 hex
    // digits into a buffer of kHashBufferSize bytes; false when it has none.
    // An engine binding without it leaves the signature as the only check.
    static constexpr int kHashBufferSize = 65;
    typedef bool (*PFN_GetInstallerHash)(const char* szUrl, char* szSha256);

    // Made on first use (safe when threads race), gone at process exit.
    static CUpdateProcessor* Instance();

    // One check: empties szUrl (kUrlBufferSize bytes), then the engine's answer,
    // or 0 when no engine is started or it has no check entry.
    static int ManualCheckUpdate(bool bHoldSemaphore, char* szUrl);

    // The SHA-256 the engine gives for the installer at szUrl (64 hex
    // digits), or empty when it gives none.
    static std::string InstallerHash(const char* szUrl);

private:
    CUpdateProcessor() = default;

    // Engines are bound only by the tests' own binding class.
    friend class CUpdateProcessorTestBinding;

    PFN_CheckUpdate m_pfnCheckUpdate = nullptr;
    PFN_GetInstallerHash m_pfnGetInstallerHash = nullptr;
    bool m_bStarted = false;
};
