#pragma once
// One frequency reading a second, the plainest way Win32 allows, as the
// floor the idle figures are judged against: a thread waits a second,
// posts the reading to a window and logs it; the window fetches the
// message, writes the lines Velotune's window writes for a reading (one
// WriteFile each, into a file opened for appending only), sends the one
// debugger trace and tells the USB key stand-in the frequency.
#include <windows.h>

#include <atomic>
#include <string>

#include "base/Win32Owners.h"

class CFloorReadings {
public:
    static constexpr UINT kReadingMessage = WM_APP + 1;

    struct Reading {
        double ghz = 0;
        int angle = 0;
        bool moved = false;  // the needle has somewhere else to go
    };

    CFloorReadings() = default;
    ~CFloorReadings() { Stop(); }
    CFloorReadings(const CFloorReadings&) = delete;
    CFloorReadings& operator=(const CFloorReadings&) = delete;

    // The log `log\<name>.log` and the stand-in `UsbDll.dll`, both in `folder`.
    bool Open(const std::wstring& folder, const wchar_t* name);
    // The monitor thread, posting kReadingMessage to `window` each second.
    bool Start(HWND window);
    void Stop();
    // The window's part of one reading, for its kReadingMessage; `needle`
    // moves the needle where Velotune's window does, after the angle's line.
    template <typename Needle>
    Reading Take(WPARAM wParam, Needle needle) {
        Reading r = TakeLines(wParam);
        if (r.ghz > 0) {
            needle(r);
            TellKey(r);
        }
        return r;
    }
    // One log line: the log's head (time, source line, tag, thread), `text`, CRLF.
    void Line(int sourceLine, const char* tag, const char* text);

    // What a floor's window does besides drawing: a reading (`needle` as
    // for Take), and its end. True when `msg` was one of those.
    template <typename Needle>
    bool Handle(HWND hwnd, UINT msg, WPARAM wParam, Needle needle) {
        if (msg == kReadingMessage) {
            Take(wParam, needle);
        } else if (msg == WM_CLOSE) {
            Stop();
            DestroyWindow(hwnd);
        } else if (msg == WM_DESTROY) {
            PostQuitMessage(0);
        } else {
            return false;
        }
        return true;
    }
    // A floor's popup window of class `name` (registered here) at `rc`, not
    // shown; null when it cannot be had.
    static HWND MakeWindow(const wchar_t* name, WNDPROC proc, UINT classStyle, const RECT& rc);
    // The message loop, until the window is closed.
    static int RunMessages();

private:
    Reading TakeLines(WPARAM wParam);
    void TellKey(const Reading& r);
    static DWORD WINAPI MonitorProc(LPVOID self);
    void Monitor();

    typedef int(__stdcall* SetFqFn)(float mhz);

    vt::UniqueFile m_log;
    vt::DynamicLibrary m_key;
    SetFqFn m_setFq = nullptr;
    HWND m_window = nullptr;
    vt::UniqueHandle m_stop;
    vt::UniqueHandle m_thread;
    std::atomic<double> m_current{0.0};
    int m_lastAngle = -1;
};
