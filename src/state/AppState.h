#pragma once
// What the main window, the workers, the dial, the tray menu and the USB key
// share. Written only on the user-interface thread.
#include <windows.h>

#include <atomic>
#include <string>

enum : LONG {
    STATUS_OVERCLOCK_INIT = 0,
    STATUS_OVERCLOCK_ING = 1,
    STATUS_OVERCLOCK_OK = 2,
    STATUS_REOVERCLOCK_ING = 3,
};

// One entry of the CPU dial table.
struct CpuCustomData {
    std::wstring strCPU_Model;
    float floatDefaultFrenquency = 0.0f;
    float floatTurboFrenquency = 0.0f;
    float floatOverclockingFrenquencyLimit = 0.0f;
    float floatScale1_Start = 0.0f;
    float floatScale1_End = 0.0f;
    float floatScale2_Start = 0.0f;
    float floatScale2_End = 0.0f;
    int iAngle_Start = 0;
    int iAngle_DefaultFrenquency = 0;
    int iAngle_TurboFrenquency = 0;
    int iAngle_OverclockingFrenquencyLimit = 0;
    int iAngle_End = 0;
    std::wstring strImgBg;
    std::wstring strImgPointer;
    float floatOverclockingStep = 0.3f;
};

struct AppState {
    HWND hMainWnd = nullptr;
    // The main window has made its own registration of the hot key (once the
    // SDK is up); before that it registers the stored key itself later.
    bool bHotKeyStarted = false;
    volatile LONG nStatus = STATUS_OVERCLOCK_INIT;
    // Raised (release) once stCustomData holds this processor's entry; the
    // overclock worker reads the entry after seeing it (acquire).
    std::atomic<bool> g_bThisCPUHaveCustomData{false};
    CpuCustomData stCustomData;
};

AppState& GetAppState();

extern bool g_bMainWndVisible;
