#pragma once
// The overclock-flag notifier library "OCWmiEvent.dll": it is told whether
// the processor is overclocked and can ask for the one-click action through
// a callback. Optional: without the library, or with an export missing,
// every call is skipped.
#include <windows.h>

#include "base/NonCopyable.h"
#include "base/Win32Owners.h"

class COcWmiEventBinding : private vt::NonCopyable {
public:
    // value, an argument the library may pass and we ignore, the context.
    typedef int (*EventCallback)(int value, void* reserved, void* context);
    typedef int (*PFN_Start)(EventCallback callback, void* context);
    typedef int (*PFN_Stop)();
    typedef int (*PFN_SetOCFlag)(int flag);

    COcWmiEventBinding() = default;
    ~COcWmiEventBinding();

    // True when the library and all three exports were found.
    bool Bind();
    bool IsBound() const { return m_library.Loaded(); }

    // Each does nothing when the library is not bound.
    void Start(HWND hWndTarget);
    void Stop();
    void SetOCFlag(int flag);

private:
    void Unbind();
    // Runs on the library's thread: only posts to the window.
    static int EventToWindow(int value, void* reserved, void* context);

    vt::DynamicLibrary m_library;
    PFN_Start m_pfnStart = nullptr;
    PFN_Stop m_pfnStop = nullptr;
    PFN_SetOCFlag m_pfnSetOCFlag = nullptr;
};
