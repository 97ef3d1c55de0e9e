#pragma once
// Once per run: brings the tuning SDK up and reads the processor's brand
// text and maximum turbo frequency, reporting each step to the main window.
#include <windows.h>

#include "thread/BaseThread.h"
#include "tuning/CpuInfo.h"

class IOverClockSdkInterface;

class CGetCpuInfoThread : public base_thread {
public:
    // `loader` null: the process-wide SDK loader (tests pass their own).
    explicit CGetCpuInfoThread(IOverClockSdkInterface* loader = nullptr);
    int Run() override;
    virtual ~CGetCpuInfoThread();

    bool GetCPUInformation();
    // The record that UM_GETCPUINFO_FINISH points at; lives as long as this object.
    const CpuInfo* GetCpuInfo() const { return &m_CpuInfo; }

private:
    bool InitOverclockingSdk();
    // A pause between turbo reads that a stop request cuts short; false when stopped.
    bool PauseBeforeRetry();

    IOverClockSdkInterface* m_pLoader;
    CpuInfo m_CpuInfo;
};
