#pragma once
// The USB overclock key as the main window sees it: tells the key library
// of every state and frequency change and answers its questions through
// four callbacks. Works on without the library (setters only log).
#include <atomic>

#include "usbkey/ZozeDEWrapper.h"

class CZozeDEMgr : public CZozeDEWrapper {
public:
    // The owner's key-event function: (event code, 0, the owner's window).
    // It runs on the library's thread.
    typedef void (*EventCallback)(int code, int reserved, HWND window);

    ~CZozeDEMgr();

    // 1 when the library is ready and the callbacks are registered, else 0.
    int Init(HWND window, EventCallback onEvent);
    // Unregisters the callbacks, stops and unloads the library: no callback
    // reaches the window afterwards. Again at destruction, for safety.
    void Release();

    void SetOverLockState(int state);
    void SetFq(float fq);
    void SetMode(int mode);

    // Called by the library, on any thread.
    static int __stdcall OverLockCallbackFunction(int dwType, int reserved, void* answer);
    static int __stdcall CPUCallbackFunction(int dwType, int reserved, void* answer);
    static int __stdcall ModeCallbackFunction(int dwType, int reserved, void* answer);
    static int __stdcall StateCallbackFunction(int dwType, int reserved, void* answer);

private:
    // Written on the UI thread, read by the library's thread.
    static std::atomic<LONG> s_nState;
    static std::atomic<float> s_fFq;
    static std::atomic<LONG> s_nMode;
    static std::atomic<HWND> s_hWindow;
    static std::atomic<EventCallback> s_pfnEvent;
};
