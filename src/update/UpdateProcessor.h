#pragma once
// The process-wide entry to the update engine: its check entry and whether
// it was started. Nothing in the program starts an engine, so every check
// answers 0 ("error updater not begin" in the log).
#include "base/NonCopyable.h"

class CUpdateProcessor : private vt::NonCopyable {
public:
    static constexpr int kUrlBufferSize = 512;
    // The engine's check: whether this process holds the update semaphore,
    // and a buffer of kUrlBufferSize bytes that receives the download URL.
    typedef int (*PFN_CheckUpdate)(bool bHoldSemaphore, char* szUrl);

    // Made on first use (safe when threads race), gone at process exit.
    static CUpdateProcessor* Instance();

    // One check: empties szUrl (kUrlBufferSize bytes), then the engine's answer,
    // or 0 when no engine is started or it has no check entry.
    static int ManualCheckUpdate(bool bHoldSemaphore, char* szUrl);

private:
    CUpdateProcessor() = default;

    // Engines are bound only by the tests' own binding class.
    friend class CUpdateProcessorTestBinding;

    PFN_CheckUpdate m_pfnCheckUpdate = nullptr;
    bool m_bStarted = false;
};
