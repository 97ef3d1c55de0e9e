// The stand-in "OCWmiEvent.dll": the overclock-flag notifier. Setting the
// named event "Local\VelotuneOcWmiEvent", which this library makes itself
// (an existing one is refused), makes it call the callback given to Start
// with the value 1. Every call is written down, one ASCII line each, to
// OCWmiEvent.calls.log beside the library.
// Exports are cdecl under their plain names.
#include <windows.h>

#include <cstdio>
#include <string>

#include "common/EventThread.h"
#include "common/SimEnvironment.h"

namespace {

typedef int (*EventCallback)(int value, void* reserved, void* context);

EventCallback g_callback = nullptr;
void* g_context = nullptr;
simcommon::CEventThread g_flag;  // ended by Stop and by a new Start

void Record(const char* line) { simcommon::AppendLine(simcommon::RecordFile(L"OCWmiEvent"), line); }

void Raised() {
    Record("Event\t1");
    if (g_callback) g_callback(1, nullptr, g_context);
}

}  // namespace

extern "C" __declspec(dllexport) int Start(EventCallback callback, void* context) {
    Record("Start");
    g_flag.Stop();
    g_callback = callback;
    g_context = context;
    const simcommon::CEventThread::Start started = g_flag.Run(L"Local\\VelotuneOcWmiEvent", &Raised);
    if (started == simcommon::CEventThread::Start::Taken) Record("Refused\tLocal\\VelotuneOcWmiEvent\texists already");
    return started == simcommon::CEventThread::Start::Started ? 1 : 0;
}

extern "C" __declspec(dllexport) int Stop() {
    Record("Stop");
    g_flag.Stop();
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
