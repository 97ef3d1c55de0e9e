#pragma once
// Helpers for the toolkit's tests: a skinned host window that records its
// notifications, real input through SendInput, message pumping, the log
// file, and files written into a scratch resource folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "duilib/DialogBuilderCallback.h"
#include "duilib/WindowImplBaseNew.h"
#include "support/Pump.h"

namespace DuiTest {

// A scratch resource folder under the test folder, emptied on creation;
// becomes the toolkit's resource path.
std::wstring MakeResourceFolder(const wchar_t* name);
bool WriteText(const std::wstring& path, const std::string& utf8);
// A solid PNG of one colour (ARGB).
bool WritePng(const std::wstring& path, int w, int h, DWORD argb);

// This thread's message loop, shared by every test program.
using ::PumpFor;
using ::PumpUntil;

// Real input at a point in screen coordinates.
void MoveTo(POINT screen);
void ClickAt(POINT screen);
void TypeText(const wchar_t* text);
void PressKey(WORD vk);
// The centre of a control, in screen coordinates.
POINT CenterOf(HWND hWnd, const RECT& rcControl);

// What the toolkit reports through its log sink, from now on.
void EnableLog();
std::string ReadLog();
int CountLines(const std::string& log, const std::string& needle);

// One expected notification: its type and the name of the control that sent it.
struct Note {
    const wchar_t* type;
    const wchar_t* sender;
};
using Sequence = std::vector<Note>;

class CHostWnd : public DuiLib::WindowImplBaseNew, public DuiLib::IDialogBuilderCallback {
public:
    struct Record {
        std::wstring type;
        std::wstring sender;
        WPARAM wParam;
    };
    std::vector<Record> notes;
    std::function<DuiLib::CControlUI*(LPCWSTR)> factory;

    // Builds from a skin file under the resource path; shows the window at (x, y).
    bool Open(LPCWSTR skinFile, int x = 100, int y = 100);
    void Notify(DuiLib::TNotifyUI& msg) override;
    DuiLib::CControlUI* CreateCustomControl(LPCWSTR pstrClass) override;
    DuiLib::CControlUI* Find(LPCWSTR name) { return m_PaintManager.FindControl(name); }
    int Count(const wchar_t* type, const wchar_t* sender) const;
    // The notifications of the given types from record `from` on, in
    // order, against `expected`; a failure names the first difference and
    // shows the whole sequence seen (Wine's user32 tests check messages so).
    ::testing::AssertionResult OkSequence(const Sequence& expected, const std::vector<std::wstring>& types,
                                          size_t from = 0) const;
    using WindowImplBaseNew::Close;
    using WindowImplBaseNew::ShowModal;

protected:
    LPCWSTR GetWindowClassName() const override { return L"DuiTestHost"; }
};

}  // namespace DuiTest
