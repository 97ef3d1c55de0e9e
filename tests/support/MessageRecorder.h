#pragma once
// A hidden window standing in for the main window: it records every
// message from WM_USER on that the workers post to it, in arrival order.
#include <windows.h>

#include <functional>
#include <vector>

struct RecordedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    double frequency;  // for UM_FREQUENCY_CHANGE: the value behind wParam when handled
};

class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    HWND Hwnd() const { return m_hWnd; }
    // Pumps this thread's queue until `done` holds or `safetyMs` passed.
    bool PumpUntil(const std::function<bool()>& done, DWORD safetyMs);
    void PumpFor(DWORD ms);

    const std::vector<RecordedMessage>& Messages() const { return m_messages; }
    size_t Count(UINT message) const;
    void Clear() { m_messages.clear(); }

private:
    static LRESULT CALLBACK WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void PumpOnce(DWORD waitMs);

    HWND m_hWnd = nullptr;
    std::vector<RecordedMessage> m_messages;
};
