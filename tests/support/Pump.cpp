#include "support/Pump.h"

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    return PumpUntil(condition, timeoutMs, nullptr);
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs,
               const std::function<void()>& afterEachMessage) {
    // A message wakes the loop at once; a condition that changes without one
    // (another thread, a file) is looked at every few milliseconds.
    constexpr DWORD kLookMs = 10;
    const DWORD start = GetTickCount();
    for (;;) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
            if (afterEachMessage) afterEachMessage();
        }
        if (afterEachMessage) afterEachMessage();
        if (condition()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kLookMs, QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    PumpUntil([&] { return GetTickCount() - start >= ms; }, ms + 1000);
}
