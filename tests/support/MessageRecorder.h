#pragma once
// A hidden window standing in for the main window: it records every
// message from WM_USER on that the workers post to it, in arrival order.
#include <windows.h>

#include <functional>
#include <vector>

#include "base/NonCopyable.h"

struct RecordedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    double frequency;  // for UM_FREQUENCY_CHANGE: the value behind wParam when handled
};

class MessageRecorder : private vt::NonCopyable {
public:
    MessageRecorder();
    ~MessageRecorder();

    // Messages arrive while this thread pumps (support/Pump.h).
    HWND Hwnd() const { return m_hWnd; }

    // Runs while each message is being handled, after it is recorded.
    std::function<void(const RecordedMessage&)> onMessage;

    const std::vector<RecordedMessage>& Messages() const { return m_messages; }
    size_t Count(UINT message) const;
    void Clear() { m_messages.clear(); }

private:
    static LRESULT CALLBACK WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    std::vector<RecordedMessage> m_messages;
};
