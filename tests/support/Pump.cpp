#include "support/Pump.h"

namespace {

// Dispatches this thread's messages until `done` holds (looked at whenever
// the queue is empty) or `timeoutMs` has passed. `take` may keep a message
// for itself (true: it is not dispatched); `afterEachMessage` runs after
// every other one.
bool Pump(const std::function<bool()>& done, DWORD timeoutMs, const std::function<void()>& afterEachMessage,
          const std::function<bool(const MSG&)>& take) {
    // A message wakes the loop at once; a condition that changes without one
    // (another thread, a file) is looked at every few milliseconds.
    constexpr DWORD kLookMs = 10;
    const DWORD start = GetTickCount();
    for (;;) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (take && take(m)) continue;
            TranslateMessage(&m);
            DispatchMessageW(&m);
            if (afterEachMessage) afterEachMessage();
        }
        if (afterEachMessage) afterEachMessage();
        if (done()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kLookMs, QS_ALLINPUT);
    }
}

}  // namespace

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    return Pump(condition, timeoutMs, nullptr, nullptr);
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs,
               const std::function<void()>& afterEachMessage) {
    return Pump(condition, timeoutMs, afterEachMessage, nullptr);
}

bool PumpQueued(DWORD timeoutMs) {
    // Messages posted to a thread come off its queue in the order posted: a
    // marker posted now comes back after everything posted before it.
    static const UINT kMarker = RegisterWindowMessageW(L"VelotuneTestPumpMarker");
    if (!PostThreadMessageW(GetCurrentThreadId(), kMarker, 0, 0)) return false;
    bool back = false;
    return Pump([&] { return back; }, timeoutMs, nullptr, [&](const MSG& m) {
        if (m.hwnd || m.message != kMarker) return false;
        back = true;
        return true;
    });
}

void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    PumpUntil([&] { return GetTickCount() - start >= ms; }, ms + 1000);
}
