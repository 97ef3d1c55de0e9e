#include "support/MessageRecorder.h"

#include "state/WindowMessages.h"

namespace {
const wchar_t kClassName[] = L"VelotuneTestRecorder";
}

MessageRecorder::MessageRecorder() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &MessageRecorder::WndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);  // fails harmlessly when a recorder made it before
    m_hWnd = CreateWindowExW(0, kClassName, L"recorder", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

MessageRecorder::~MessageRecorder() {
    if (m_hWnd) {
        SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
        DestroyWindow(m_hWnd);
    }
}

LRESULT CALLBACK MessageRecorder::WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<MessageRecorder*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (self && msg >= WM_USER) {
        double f = 0.0;
        if (msg == UM_FREQUENCY_CHANGE && wParam) f = *reinterpret_cast<const double*>(wParam);
        self->m_messages.push_back(RecordedMessage{msg, wParam, lParam, f});
        if (self->onMessage) self->onMessage(self->m_messages.back());
        return 0;
    }
    return DefWindowProcW(hWnd, msg, wParam, lParam);
}

size_t MessageRecorder::Count(UINT message) const {
    size_t n = 0;
    for (const RecordedMessage& m : m_messages)
        if (m.message == message) ++n;
    return n;
}
