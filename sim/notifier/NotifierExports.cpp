// The stand-in "OCWmiEvent.dll": the overclock-flag notifier. Setting the
// named event "Local\VelotuneOcWmiEvent" (or the name in
// VELOTUNE_OCWMI_EVENT) makes it call the callback given to Start with the
// value 1. Every call is written down, one ASCII line each, to
// OCWmiEvent.calls.log beside the library (or VELOTUNE_OCWMI_RECORD).
// Exports are cdecl under their plain names.
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/Win32Owners.h"
#include "common/SimEnvironment.h"

namespace {

typedef int (*EventCallback)(int value, void* reserved, void* context);

EventCallback g_callback = nullptr;
void* g_context = nullptr;
// Given back by Stop (and by a new Start); a library unloaded without it
// only closes them.
vt::UniqueHandle g_raiseEvent;
vt::UniqueHandle g_stopEvent;
vt::UniqueHandle g_thread;

void Record(const char* line) {
    simcommon::AppendLine(simcommon::EnvOr(L"VELOTUNE_OCWMI_RECORD", simcommon::OwnFolder() + L"\\OCWmiEvent.calls.log"),
                          line);
}

DWORD WINAPI EventThread(void*) {
    HANDLE handles[2] = {g_stopEvent.Get(), g_raiseEvent.Get()};
    for (;;) {
        if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return 0;
        Record("Event\t1");
        if (g_callback) g_callback(1, nullptr, g_context);
    }
}

void StopThread() {
    if (g_thread) {
        SetEvent(g_stopEvent.Get());
        WaitForSingleObject(g_thread.Get(), 5000);
        g_thread.Reset();
    }
    g_raiseEvent.Reset();
    g_stopEvent.Reset();
}

}  // namespace

extern "C" __declspec(dllexport) int Start(EventCallback callback, void* context) {
    Record("Start");
    StopThread();
    g_callback = callback;
    g_context = context;
    std::wstring name = simcommon::EnvOr(L"VELOTUNE_OCWMI_EVENT", L"Local\\VelotuneOcWmiEvent");
    g_raiseEvent.Reset(CreateEventW(nullptr, FALSE, FALSE, name.c_str()));
    g_stopEvent.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!g_raiseEvent || !g_stopEvent) return 0;
    g_thread.Reset(CreateThread(nullptr, 0, &EventThread, nullptr, 0, nullptr));
    return g_thread ? 1 : 0;
}

extern "C" __declspec(dllexport) int Stop() {
    Record("Stop");
    StopThread();
    g_callback = nullptr;
    g_context = nullptr;
    return 1;
}

#ifndef VT_NOTIFIER_WITHOUT_SETOCFLAG
extern "C" __declspec(dllexport) int SetOCFlag(int flag) {
    char line[64];
    snprintf(line, sizeof(line), "SetOCFlag\t%d", flag);
    Record(line);
    return 1;
}
#endif
