#include "DuiTestUtil.h"

#include <objidl.h>
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <mutex>
#include <string>

#include "base/Win32Owners.h"
#include "duilib/ControlUI.h"
#include "duilib/DuiLog.h"
#include "duilib/GdiplusSession.h"
#include "support/LogFile.h"
#include "support/TestPaths.h"

namespace DuiTest {

std::wstring MakeResourceFolder(const wchar_t* name) {
    std::wstring dir = TestPaths::Join(TestPaths::TestDir(), name);
    // Empty it: SHFileOperation wants a double-NUL-terminated list.
    std::wstring from = dir + L'\0';
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    ::SHFileOperationW(&op);
    ::SHCreateDirectoryExW(nullptr, dir.c_str(), nullptr);
    ::SHCreateDirectoryExW(nullptr, (dir + L"\\png").c_str(), nullptr);
    DuiLib::CPaintManagerUI::SetResourcePath(dir.c_str());
    return dir;
}

bool WriteText(const std::wstring& path, const std::string& utf8) { return TestPaths::WriteFileBytes(path, utf8); }

bool WritePng(const std::wstring& path, int w, int h, DWORD argb) {
    DuiLib::CGdiplusSession::Ensure();
    Gdiplus::Bitmap bmp(w, h, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics g(&bmp);
        g.Clear(Gdiplus::Color(static_cast<Gdiplus::ARGB>(argb)));
    }
    const CLSID png = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
    return bmp.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
}

void MoveTo(POINT pt) {
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = static_cast<LONG>((pt.x * 65535LL) / (::GetSystemMetrics(SM_CXSCREEN) - 1));
    in.mi.dy = static_cast<LONG>((pt.y * 65535LL) / (::GetSystemMetrics(SM_CYSCREEN) - 1));
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &in, sizeof(in));
    PumpFor(60);
}

void ClickAt(POINT pt) {
    MoveTo(pt);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(1, &in[0], sizeof(INPUT));
    PumpFor(40);
    ::SendInput(1, &in[1], sizeof(INPUT));
    PumpFor(60);
}

void PressKey(WORD vk) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, in, sizeof(INPUT));
    PumpFor(40);
}

void TypeText(const wchar_t* text) {
    for (const wchar_t* p = text; *p; ++p) {
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wScan = in[1].ki.wScan = *p;
        in[0].ki.dwFlags = KEYEVENTF_UNICODE;
        in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        ::SendInput(2, in, sizeof(INPUT));
        PumpFor(30);
    }
}

POINT CenterOf(HWND hWnd, const RECT& rc) {
    POINT pt = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    ::ClientToScreen(hWnd, &pt);
    return pt;
}

namespace {

// What the toolkit reports, kept in memory: one line each, as
// "<function> <text>" or "<function> ErrorCode = <code>".
class CMemorySink : public DuiLib::ILogSink {
public:
    void Line(int, const char*, const char* function, const char* text) override {
        Append(std::string(function) + " " + text);
    }
    void LastError(int, const char*, const char* function, DWORD code) override {
        Append(std::string(function) + " ErrorCode = " + std::to_string(code));
    }
    std::string Text() {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_text;
    }

private:
    void Append(const std::string& line) {
        std::lock_guard<std::mutex> hold(m_lock);
        m_text += line + "\r\n";
    }
    std::mutex m_lock;
    std::string m_text;
};

CMemorySink g_sink;

}  // namespace

void EnableLog() { DuiLib::SetLogSink(&g_sink); }

std::string ReadLog() { return g_sink.Text(); }

int CountLines(const std::string& log, const std::string& needle) { return CountLinesWith(log, needle); }

bool CHostWnd::Open(LPCWSTR skinFile, int x, int y) {
    InitWinParam(skinFile);
    if (!CreateDuiWindow(nullptr, L"DuiTest", nullptr, WS_POPUP, WS_EX_TOPMOST)) return false;
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    ::SetForegroundWindow(m_hWnd);
    ::UpdateWindow(m_hWnd);
    PumpFor(100);
    return true;
}

void CHostWnd::Notify(DuiLib::TNotifyUI& msg) {
    notes.push_back({msg.sType.Str(), msg.pSender ? msg.pSender->GetName().Str() : std::wstring(), msg.wParam});
    WindowImplBaseNew::Notify(msg);
}

DuiLib::CControlUI* CHostWnd::CreateCustomControl(LPCWSTR pstrClass) {
    return factory ? factory(pstrClass) : nullptr;
}

int CHostWnd::Count(const wchar_t* type, const wchar_t* sender) const {
    int n = 0;
    for (const Record& r : notes)
        if (r.type == type && (!sender || r.sender == sender)) ++n;
    return n;
}

namespace {
std::string Describe(const std::wstring& type, const std::wstring& sender) {
    return "{" + TestPaths::Narrow(type) + ", " + TestPaths::Narrow(sender) + "}";
}
}  // namespace

::testing::AssertionResult CHostWnd::OkSequence(const Sequence& expected, const std::vector<std::wstring>& types,
                                                size_t from) const {
    std::vector<const Record*> seen;
    for (size_t i = from; i < notes.size(); ++i)
        for (const std::wstring& t : types)
            if (notes[i].type == t) seen.push_back(&notes[i]);
    std::string all;
    for (const Record* r : seen) all += " " + Describe(r->type, r->sender);
    for (size_t i = 0; i < expected.size() || i < seen.size(); ++i) {
        std::string want = i < expected.size() ? Describe(expected[i].type, expected[i].sender) : "nothing";
        std::string got = i < seen.size() ? Describe(seen[i]->type, seen[i]->sender) : "nothing";
        if (want != got)
            return ::testing::AssertionFailure()
                   << "notification " << i << ": expected " << want << ", got " << got << "; seen:" << all;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace DuiTest

namespace {
// Wine waits up to two seconds for a window manager to confirm each window
// it hides when windows are "managed"; the virtual display has no window
// manager, so the toolkit tests ask Wine (before the first window exists)
// to leave windows unmanaged, and put the prefix back afterwards.
class UnmanagedWindows : public ::testing::Environment {
public:
    void SetUp() override {
        vt::UniqueRegKey key;
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
            return;
        if (::RegQueryValueExW(key.Get(), L"Managed", nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            const wchar_t no[] = L"N";
            m_added = ::RegSetValueExW(key.Get(), L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(no),
                                       sizeof(no)) == ERROR_SUCCESS;
        }
    }
    void TearDown() override {
        if (m_added) ::RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", L"Managed");
    }

private:
    bool m_added = false;
};
const auto* g_unmanaged = ::testing::AddGlobalTestEnvironment(new UnmanagedWindows);
}  // namespace
