#include "mainframe/ExpectedEvents.h"

#include <atomic>

#include "log/BaseLog.h"
#include "state/WindowMessages.h"

namespace {

std::atomic<int> g_usbKeyPresses{0};
std::atomic<int> g_notifierEvents{0};

std::atomic<int>* CounterOf(UINT message) {
    if (message == UM_USBKEY_EVENT) return &g_usbKeyPresses;
    if (message == UM_WMI_EVENT) return &g_notifierEvents;
    return nullptr;
}

}  // namespace

void CExpectedEvents::Post(HWND window, UINT message, WPARAM wParam) {
    std::atomic<int>* count = CounterOf(message);
    if (!count || !window) return;
    ++*count;
    // A report whose message never arrives must not let a later forged one in.
    if (!PostMessageW(window, message, wParam, 0)) --*count;
}

bool CExpectedEvents::Take(UINT message) {
    std::atomic<int>* count = CounterOf(message);
    int left = count ? count->load() : 0;
    while (left > 0)
        if (count->compare_exchange_weak(left, left - 1)) return true;
    VLOG("message %u ignored: no such event was reported", message);
    return false;
}

bool CExpectedEvents::Take(bool& pending, const char* what) {
    if (pending) {
        pending = false;
        return true;
    }
    VLOG("%s ignored: nothing of the kind is under way", what);
    return false;
}

void CExpectedEvents::UsbKeyPressed(int code, int, HWND window) {
    // The button toggles on the UI thread, through the window's queue.
    Post(window, UM_USBKEY_EVENT, static_cast<WPARAM>(code));
}
