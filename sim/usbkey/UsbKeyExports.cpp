// The stand-in "UsbDll.dll": a simulated USB overclock key. Its button is
// the named event "Local\VelotuneUsbKeyPress", which this library makes
// itself (an existing one is refused); each press first reads the program's state,
// frequency and mode through the registered callbacks, writes them down,
// then reports the press. Every call the program makes is written down too.
#include <windows.h>

#include <cstdio>
#include <string>

#include "common/EventThread.h"
#include "common/KeptRecord.h"
#include "common/SimEnvironment.h"

namespace {

typedef int(__stdcall* KeyCallback)(int type, int reserved, void* answer);

KeyCallback g_overLock = nullptr;
KeyCallback g_getState = nullptr;
KeyCallback g_getCpu = nullptr;
KeyCallback g_getMode = nullptr;
simcommon::CEventThread g_button;  // ended by Release

const wchar_t kButton[] = L"Local\\VelotuneUsbKeyPress";

// The record file, held open from the first call to Release: the program
// tells the key the frequency every second.
simcommon::CKeptRecord& TheRecord() {
    static simcommon::CKeptRecord record(simcommon::RecordFile());
    return record;
}

// Appends one ASCII line (CRLF) to the record file.
void Record(const char* line) { TheRecord().Append(line); }

// The type codes this key uses when it asks: 2 state, 3 frequency, 4 mode.
void Press() {
    int state = -1, mode = -1;
    float fq = -1.0f;
    if (g_getState) g_getState(2, 0, &state);
    if (g_getCpu) g_getCpu(3, 0, &fq);
    if (g_getMode) g_getMode(4, 0, &mode);
    char line[128];
    snprintf(line, sizeof(line), "Press\tstate=%d\tfq=%.3f\tmode=%d", state, static_cast<double>(fq), mode);
    Record(line);
    if (g_overLock) g_overLock(1, 0, nullptr);
}

}  // namespace

extern "C" __declspec(dllexport) int __stdcall Init() {
    int result = static_cast<int>(GetPrivateProfileIntW(L"UsbKey", L"InitResult", 0, simcommon::SwitchFile().c_str()));
    char line[64];
    snprintf(line, sizeof(line), "Init\t%d", result);
    Record(line);
    if (result != 0 || g_button.Running()) return result;
    switch (g_button.Run(kButton, &Press)) {
        case simcommon::CEventThread::Start::Started: return 0;
        case simcommon::CEventThread::Start::Taken:
            Record("Refused\tLocal\\VelotuneUsbKeyPress\texists already");
            return -2;
        case simcommon::CEventThread::Start::NoEvent: return -2;
        default: return -3;
    }
}

extern "C" __declspec(dllexport) void __stdcall Release() {
    Record("Release");
    g_button.Stop();
    TheRecord().Close();
}

namespace {

// Keeps (or, for null, drops) the program's callback and writes the call down.
int Register(KeyCallback& slot, KeyCallback cb, const std::string& exportName) {
    slot = cb;
    Record((cb ? exportName : exportName + "\t(null)").c_str());
    return 0;
}

}  // namespace

extern "C" __declspec(dllexport) int __stdcall RegisterOverLock(KeyCallback cb, int) {
    return Register(g_overLock, cb, "RegisterOverLock");
}
extern "C" __declspec(dllexport) int __stdcall RegisterGetOverLockState(KeyCallback cb, int) {
    return Register(g_getState, cb, "RegisterGetOverLockState");
}
extern "C" __declspec(dllexport) int __stdcall RegisterGetCPU(KeyCallback cb, int) {
    return Register(g_getCpu, cb, "RegisterGetCPU");
}
extern "C" __declspec(dllexport) int __stdcall RegisterGetMode(KeyCallback cb, int) {
    return Register(g_getMode, cb, "RegisterGetMode");
}

extern "C" __declspec(dllexport) int __stdcall SetOverLockState(int state) {
    char line[64];
    snprintf(line, sizeof(line), "SetOverLockState\t%d", state);
    Record(line);
    return 0;
}
extern "C" __declspec(dllexport) int __stdcall SetFq(float fq) {
    char line[64];
    snprintf(line, sizeof(line), "SetFq\t%.3f", static_cast<double>(fq));
    Record(line);
    return 0;
}
extern "C" __declspec(dllexport) int __stdcall SetMode(int mode) {
    char line[64];
    snprintf(line, sizeof(line), "SetMode\t%d", mode);
    Record(line);
    return 0;
}
