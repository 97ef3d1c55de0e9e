#pragma once
// The USB overclock key as the main window sees it: tells the key library
// of every state and frequency change and answers its questions through
// four callbacks. Works on without the library (setters only log).
#include "usbkey/ZozeDEWrapper.h"

class CMainFrame;

class CZozeDEMgr : public CZozeDEWrapper {
public:
    // The main window's key-event function: (event code, 0, window).
    typedef void (*EventCallback)(int code, int reserved, CMainFrame* window);

    ~CZozeDEMgr();

    // 1 when the library is ready and the callbacks are registered, else 0.
    int Init(CMainFrame* window);
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
    // Shared with the callbacks; plain 32-bit values written on the UI
    // thread, read whole by the library's thread.
    static volatile LONG s_nState;
    static volatile float s_fFq;
    static volatile LONG s_nMode;
    static CMainFrame* volatile s_pWindow;
    static volatile EventCallback s_pfnEvent;
};
