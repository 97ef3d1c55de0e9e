// The settings dialog's key capture, on the real layout, without the
// program around it: what the hot-key field shows for each key, and the
// hot key registered on the owner when the dialog goes.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "duilib/PaintManagerUI.h"
#include "mainframe/SettingDlg.h"
#include "mainframe/ShortcutKeyEditUI.h"
#include "settings/Settings.h"
#include "state/AppState.h"
#include "support/TestPaths.h"
#include "support/WaitUntil.h"

namespace {

constexpr int kHotKeyId = 0x5000;

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace

TEST(SettingDlgKeys, OnlyLettersAndDigitsAreTakenWhileTheFieldHasTheFocus) {
    DuiLib::CPaintManagerUI::SetResourcePath(TestPaths::Join(TestPaths::DistDir(), L"skin\\").c_str());
    HWND owner = CreateWindowW(L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    GetAppState().bHotKeyStarted = true;  // the owner has registered its key
    auto* dlg = new CSettingDlg;
    EXPECT_EQ(dlg->CreateCustomControl(L"shortcutkeyedit"), nullptr) << "the element name is compared exactly";
    EXPECT_EQ(dlg->CreateCustomControl(L"Edit"), nullptr);
    dlg->InitWinParam(L"Velotune_xml\\setting_wnd.xml");
    HWND hwnd = dlg->Create(owner, L"SettingWnd", WS_POPUP, WS_EX_TOOLWINDOW, 0, 0, 420, 260);
    ASSERT_NE(hwnd, nullptr);
    DuiLib::CControlUI* field = dlg->GetPaintManager().FindControl(L"quickKey");
    ASSERT_NE(field, nullptr);
    ASSERT_NE(dynamic_cast<CShortcutKeyEditUI*>(field), nullptr) << "built through the dialog's factory";
    EXPECT_EQ(field->GetText(), L"O") << "no settings file: the default key";
    // The hot-key row is one caption from the language file and the field:
    // no other text names the modifier keys.
    std::vector<std::wstring> withModifiers;
    dlg->GetPaintManager().ForEachControl([&](DuiLib::CControlUI* c) {
        if (c->IsVisible() && c->GetText().Find(L"Alt") >= 0) withModifiers.push_back(c->GetName().Str());
    });
    EXPECT_EQ(withModifiers, std::vector<std::wstring>{L"SetHotkey"});
    EXPECT_EQ(dlg->GetPaintManager().FindControl(L"SetHotkey")->GetText().Str(), GetLanguageString(L"STR_SETKEY"));

    field->SetFocus();
    auto key = [&](WPARAM vk) { SendMessageW(hwnd, WM_KEYDOWN, vk, 1); };
    key('A');
    EXPECT_EQ(field->GetText(), L"A");
    SendMessageW(hwnd, WM_CHAR, 'a', 1);  // the character typed with it changes nothing
    EXPECT_EQ(field->GetText(), L"A");
    key('7');
    EXPECT_EQ(field->GetText(), L"7");
    for (WPARAM other : {WPARAM(VK_F5), WPARAM(VK_LEFT), WPARAM(VK_BACK), WPARAM(VK_DELETE), WPARAM(VK_SPACE),
                         WPARAM(VK_NUMPAD1), WPARAM(0x5B)})
        key(other);
    EXPECT_EQ(field->GetText(), L"7") << "other keys are swallowed";
    key(VK_ESCAPE);
    Pump();
    EXPECT_TRUE(IsWindow(hwnd)) << "Escape in the field does not close the dialog";

    // Without the focus, keys go to the window: the field keeps its text and
    // Escape closes the dialog.
    dlg->GetPaintManager().SetFocus(nullptr);
    key('B');
    EXPECT_EQ(field->GetText(), L"7");
    key(VK_ESCAPE);
    WaitUntil([&] {
        Pump();
        return !IsWindow(hwnd);
    }, 5000);
    EXPECT_FALSE(IsWindow(hwnd));
    delete dlg;

    // The new key is now the owner's hot key.
    EXPECT_FALSE(RegisterHotKey(nullptr, 9, MOD_ALT | MOD_CONTROL, '7')) << "Ctrl+Alt+7 is taken by the owner";
    EXPECT_TRUE(UnregisterHotKey(owner, kHotKeyId));
    GetAppState().bHotKeyStarted = false;
    DestroyWindow(owner);
}
