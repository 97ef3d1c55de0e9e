#include "FloorReadings.h"

#include <cstdio>

namespace {

// Velotune's processor mostly sits at its top turbo bin; every tenth
// reading is a load dip, and the reading after it comes back up. Two
// readings in ten move the needle, about as many as the simulated
// processor's dips move Velotune's.
constexpr double kTopGhz = 4.0128;
constexpr double kDipGhz = 3.2087;
constexpr int kDipEvery = 10;
// Degrees of the dial a tenth of a GHz, from the dial's lowest angle.
constexpr int kDegreesPerTenth = 4;

// The location tags of Velotune's lines for a reading, as its log has them.
const char kMonitorTag[] = "CCpuMonitorThread::CpuMonitor";
const char kFrameTag[] = "rame::OnNotifyFrequencyChange";
const char kPanelTag[] = " DialView|CDialView::SetPanel";
const char kLookupTag[] = "DialView::GetAngleByFrequency";
const char kKeyTag[] = "  ZozeDEMgr|CZozeDEMgr::SetFq";

}  // namespace

bool CFloorReadings::Open(const std::wstring& folder, const wchar_t* name) {
    const std::wstring logFolder = folder + L"\\log";
    CreateDirectoryW(logFolder.c_str(), nullptr);
    m_log.Reset(CreateFileW((logFolder + L"\\" + name + L".log").c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    m_key.Reset(LoadLibraryExW((folder + L"\\UsbDll.dll").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    m_setFq = m_key.Proc<SetFqFn>("SetFq");
    return m_log.Valid() && m_setFq != nullptr;
}

bool CFloorReadings::Start(HWND window) {
    m_window = window;
    m_stop.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_stop) return false;
    m_thread.Reset(CreateThread(nullptr, 0, &CFloorReadings::MonitorProc, this, 0, nullptr));
    return m_thread.Valid();
}

void CFloorReadings::Stop() {
    if (!m_thread) return;
    SetEvent(m_stop.Get());
    WaitForSingleObject(m_thread.Get(), INFINITE);
    m_thread.Reset();
}

DWORD WINAPI CFloorReadings::MonitorProc(LPVOID self) {
    static_cast<CFloorReadings*>(self)->Monitor();
    return 0;
}

void CFloorReadings::Monitor() {
    for (int n = 1;; ++n) {
        const double ghz = n % kDipEvery == 0 ? kDipGhz : kTopGhz;
        m_current = ghz;
        PostMessageW(m_window, kReadingMessage, reinterpret_cast<WPARAM>(&m_current), 0);
        char text[64];
        std::snprintf(text, sizeof text, "%f GHZ", ghz);
        Line(113, kMonitorTag, text);
        if (WaitForSingleObject(m_stop.Get(), 1000) != WAIT_TIMEOUT) return;
    }
}

CFloorReadings::Reading CFloorReadings::TakeLines(WPARAM wParam) {
    Reading r;
    if (wParam != reinterpret_cast<WPARAM>(&m_current)) return r;
    r.ghz = m_current.load();
    const int tenths = int(r.ghz * 10 + 0.5);
    r.angle = 30 + kDegreesPerTenth * tenths;
    r.moved = m_lastAngle >= 0 && r.angle != m_lastAngle;
    m_lastAngle = r.angle;

    char text[160];
    std::snprintf(text, sizeof text, "CMainFrame::FrequencyChange:  %.1fGHz", r.ghz);
    Line(411, kFrameTag, text);
    std::snprintf(text, sizeof text, "CMainFrame::SetPanel: strFrequency= %.1fGHz", r.ghz);
    Line(63, kPanelTag, text);
    std::snprintf(text, sizeof text, "CMainFrame::SetPanel: floatFrequency=%0.2f", tenths / 10.0);
    Line(67, kPanelTag, text);
    wchar_t trace[160];
    _snwprintf(trace, 159,
               L"\r\nCMainFrame::GetAngleByFrequency Enter : floatFrequency : %0.2f !\r\n\r\n%0.2f : %d\r\n",
               tenths / 10.0, tenths / 10.0, r.angle - 30);
    trace[159] = 0;
    OutputDebugStringW(trace);
    std::snprintf(text, sizeof text, "\r\n%0.2f : %d\r\n", tenths / 10.0, r.angle - 30);
    Line(57, kLookupTag, text);
    std::snprintf(text, sizeof text, "SetEndAngle:%d", r.angle);
    Line(84, kPanelTag, text);
    return r;
}

void CFloorReadings::TellKey(const Reading& r) {
    char text[96];
    const float mhz = float(r.ghz * 1000.0);
    m_setFq(mhz);
    std::snprintf(text, sizeof text, "[CZozeDEMgr] SetFq fq=%f nRet=0", double(mhz));
    Line(60, kKeyTag, text);
}

void CFloorReadings::Line(int sourceLine, const char* tag, const char* text) {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char line[600];
    const int n = std::snprintf(line, sizeof line, "[%4d-%2d-%2d %2d:%2d:%2d][%4d][%s]---[%lu]%s\r\n", t.wYear,
                                t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, sourceLine, tag,
                                GetCurrentThreadId(), text);
    DWORD written = 0;
    if (n > 0) WriteFile(m_log.Get(), line, DWORD(n < int(sizeof line) ? n : int(sizeof line) - 1), &written, nullptr);
}

HWND CFloorReadings::MakeWindow(const wchar_t* name, WNDPROC proc, UINT classStyle, const RECT& rc) {
    WNDCLASSW wc = {};
    wc.style = classStyle;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = name;
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    if (!RegisterClassW(&wc)) return nullptr;
    return CreateWindowExW(WS_EX_TOOLWINDOW, name, L"", WS_POPUP, rc.left, rc.top, rc.right - rc.left,
                           rc.bottom - rc.top, nullptr, nullptr, wc.hInstance, nullptr);
}

int CFloorReadings::RunMessages() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}
