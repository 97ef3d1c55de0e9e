#include "support/WaitUntil.h"

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    // Short enough to add little to a test, long enough to leave the
    // shared cores to the program being watched.
    constexpr DWORD kPollMs = 20;
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start >= timeoutMs) return condition();
        Sleep(kPollMs);
    }
    return true;
}
