// A real window under the virtual display, driven by SendInput: clicks,
// option groups, typing, focus, modal runs, the popup menu, and what ends
// up on screen.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "DuiTestUtil.h"
#include "base/Win32Owners.h"
#include "duilib/EditUI.h"
#include "duilib/ListLabelElementUI.h"
#include "duilib/MenuImplBase.h"
#include "duilib/OptionUI.h"
#include "duilib/DuiMessages.h"
#include "support/TestPaths.h"

using namespace DuiLib;
using namespace DuiTest;

namespace {
const char kInputSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="320,200" caption="0,0,0,24">
  <Font id="0" name="Tahoma" size="12" default="true"/>
  <VerticalLayout bkcolor="#FF336699">
    <Control height="24"/>
    <HorizontalLayout height="40">
      <Button name="ok" width="80" text="OK" bkcolor="#FFEEEEEE" hotbkcolor="#FFDDDDFF"/>
      <Option name="opt_a" width="60" group="g" selected="true" text="A"/>
      <Option name="opt_b" width="60" group="g" text="B"/>
      <CheckBox name="chk" width="60" text="C"/>
    </HorizontalLayout>
    <Edit name="edit" height="30" maxchar="8"/>
    <Label name="swatch" float="true" pos="240,150,300,190" bkimage="png/red.png"/>
    <Control/>
  </VerticalLayout>
</Window>)";

struct InputFixture : ::testing::Test {
    CHostWnd host;
    void SetUp() override {
        std::wstring dir = MakeResourceFolder(L"res_input");
        ASSERT_TRUE(WritePng(dir + L"\\png\\red.png", 60, 40, 0xFFFF0000));
        ASSERT_TRUE(WriteText(dir + L"\\input.xml", kInputSkin));
        ASSERT_TRUE(host.Open(L"input.xml", 200, 150));
        host.GetPaintManager().UpdateLayout();
    }
    void TearDown() override {
        if (::IsWindow(host.GetHWND())) ::DestroyWindow(host.GetHWND());
    }
    POINT At(const wchar_t* name) { return CenterOf(host.GetHWND(), host.Find(name)->GetPos()); }
};

// The notifications each input gives, in order, of the types a test watches.
const std::vector<std::wstring> kClicks = {L"click"};
const std::vector<std::wstring> kClicksAndSelection = {L"click", L"selectchanged"};
const std::vector<std::wstring> kTextAndFocus = {L"textchanged", L"killfocus", L"click"};

const Sequence kOneClickOnOk = {{L"click", L"ok"}};
// A click on the unselected option of a group: the click, the other option
// let go, then the new one. A click on the selected one: the click alone.
// A check box toggles on each click.
const Sequence kOptionsAndCheckBox = {
    {L"click", L"opt_b"}, {L"selectchanged", L"opt_a"}, {L"selectchanged", L"opt_b"},
    {L"click", L"opt_b"},
    {L"click", L"chk"},   {L"selectchanged", L"chk"},
    {L"click", L"chk"},   {L"selectchanged", L"chk"},
};
const Sequence kThreeCharactersTyped = {{L"textchanged", L"edit"}, {L"textchanged", L"edit"}, {L"textchanged", L"edit"}};
// Pressing another control takes the focus from the edit before the click.
const Sequence kFocusLeavesForTheButton = {{L"killfocus", L"edit"}, {L"click", L"ok"}};
}  // namespace

TEST_F(InputFixture, ClickOnAButtonSendsOneClick) {
    ClickAt(At(L"ok"));
    ASSERT_TRUE(PumpUntil([&] { return host.Count(L"click", L"ok") > 0; }));
    PumpFor(100);
    EXPECT_TRUE(host.OkSequence(kOneClickOnOk, kClicks));

    // Pressed on the button, released elsewhere: no click.
    INPUT in = {};
    in.type = INPUT_MOUSE;
    MoveTo(At(L"ok"));
    in.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    ::SendInput(1, &in, sizeof(in));
    PumpFor(50);
    MoveTo(At(L"edit"));
    in.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(1, &in, sizeof(in));
    PumpFor(100);
    EXPECT_TRUE(host.OkSequence(kOneClickOnOk, kClicks));

    // A disabled button gives nothing.
    host.Find(L"ok")->SetEnabled(false);
    ClickAt(At(L"ok"));
    PumpFor(100);
    EXPECT_TRUE(host.OkSequence(kOneClickOnOk, kClicks));
}

TEST_F(InputFixture, OptionGroupSwitchesAndCheckBoxToggles) {
    auto* a = static_cast<COptionUI*>(host.Find(L"opt_a"));
    auto* b = static_cast<COptionUI*>(host.Find(L"opt_b"));
    auto* chk = static_cast<COptionUI*>(host.Find(L"chk"));
    ASSERT_TRUE(a->IsSelected());
    ClickAt(At(L"opt_b"));
    ASSERT_TRUE(PumpUntil([&] { return b->IsSelected(); }));
    EXPECT_FALSE(a->IsSelected());
    EXPECT_TRUE(host.OkSequence(Sequence(kOptionsAndCheckBox.begin(), kOptionsAndCheckBox.begin() + 3),
                                kClicksAndSelection));
    ClickAt(At(L"opt_b"));
    PumpFor(100);
    EXPECT_TRUE(b->IsSelected()) << "a selected option of a group stays selected";

    ClickAt(At(L"chk"));
    ASSERT_TRUE(PumpUntil([&] { return chk->IsSelected(); }));
    ClickAt(At(L"chk"));
    ASSERT_TRUE(PumpUntil([&] { return !chk->IsSelected(); }));
    EXPECT_TRUE(b->IsSelected()) << "a check box is in no group";
    EXPECT_TRUE(host.OkSequence(kOptionsAndCheckBox, kClicksAndSelection));
}

TEST_F(InputFixture, TypingIntoAnEditChangesItsTextAndLeavingItKillsFocus) {
    ClickAt(At(L"edit"));
    CControlUI* edit = host.Find(L"edit");
    ASSERT_TRUE(PumpUntil([&] { return edit->IsFocused(); }));
    TypeText(L"abc");
    ASSERT_TRUE(PumpUntil([&] { return edit->GetText() == L"abc"; })) << edit->GetText().Str().size();
    EXPECT_TRUE(host.OkSequence(kThreeCharactersTyped, kTextAndFocus));
    PressKey(VK_BACK);
    ASSERT_TRUE(PumpUntil([&] { return edit->GetText() == L"ab"; }));
    TypeText(L"0123456789");
    PumpFor(100);
    EXPECT_EQ(8, edit->GetText().GetLength()) << "maxchar";

    const size_t typed = host.notes.size();
    ClickAt(At(L"ok"));
    ASSERT_TRUE(PumpUntil([&] { return host.Count(L"killfocus", L"edit") == 1 && host.Count(L"click", L"ok") == 1; }));
    EXPECT_FALSE(edit->IsFocused());
    EXPECT_TRUE(host.OkSequence(kFocusLeavesForTheButton, kTextAndFocus, typed));
}

TEST_F(InputFixture, ColourAndImageAppearWhereTheSkinPutsThem) {
    HWND hWnd = host.GetHWND();
    // The window's pixels, as it prints itself and as the screen shows them.
    auto expectPicture = [&](const char* when) {
        SCOPED_TRACE(when);
        vt::WindowDc wnd(hWnd);
        vt::UniqueMemoryDc mem(::CreateCompatibleDC(wnd.Get()));
        vt::UniqueBitmap bmp(::CreateCompatibleBitmap(wnd.Get(), 320, 200));
        vt::ScopedSelect selected(mem.Get(), bmp.Get());
        EXPECT_TRUE(::PrintWindow(hWnd, mem.Get(), PW_CLIENTONLY));
        EXPECT_EQ(RGB(0x33, 0x66, 0x99), ::GetPixel(mem.Get(), 10, 180));
        EXPECT_EQ(RGB(0xFF, 0, 0), ::GetPixel(mem.Get(), 270, 170));
        EXPECT_EQ(RGB(0x33, 0x66, 0x99), ::GetPixel(mem.Get(), 235, 170));
        EXPECT_EQ(RGB(0xFF, 0, 0), ::GetPixel(wnd.Get(), 270, 170));
    };
    CPaintManagerUI& pm = host.GetPaintManager();
    ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_TRUE(pm.HasBackBuffer());
    expectPicture("first paint");
    // Left alone, the window lets its back buffer go; the next paint makes
    // another and draws the same picture.
    ASSERT_TRUE(PumpUntil([&] { return !pm.HasBackBuffer(); }, 15000)) << "the back buffer is kept while idle";
    ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_TRUE(pm.HasBackBuffer());
    expectPicture("after the back buffer was let go");
}

// Moved to a display of twice the DPI: the window takes the suggested
// rectangle, every skin number doubles, clicks land on the doubled controls,
// and an image with a "@2x" file shows that file.
TEST_F(InputFixture, DpiChangeLaysTheWindowOutAgainAtTheSuggestedRectangle) {
    const std::wstring dir = CPaintManagerUI::GetResourcePath().GetData();
    ASSERT_TRUE(WritePng(dir + L"png\\red@2x.png", 120, 80, 0xFF0000FF));
    HWND hWnd = host.GetHWND();
    RECT suggested = {150, 100, 150 + 640, 100 + 400};
    ::SendMessageW(hWnd, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    RECT now = {};
    ::GetWindowRect(hWnd, &now);
    EXPECT_TRUE(::EqualRect(&now, &suggested));
    EXPECT_EQ(192, host.GetPaintManager().GetDpi());
    const RECT ok = host.Find(L"ok")->GetPos(), swatch = host.Find(L"swatch")->GetPos();
    auto text = [](const RECT& r) {
        return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
               std::to_string(r.bottom);
    };
    EXPECT_EQ("0,48,160,128", text(ok)) << "24-pixel strip, 80x40 button";
    EXPECT_EQ("480,300,600,380", text(swatch));
    ClickAt(At(L"ok"));
    EXPECT_TRUE(PumpUntil([&] { return host.Count(L"click", L"ok") == 1; }));
    ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    PumpFor(100);
    const vt::WindowDc wnd(hWnd);
    const COLORREF img = ::GetPixel(wnd.Get(), 540, 340), outside = ::GetPixel(wnd.Get(), 470, 340);
    EXPECT_EQ(RGB(0, 0, 0xFF), img) << "the @2x file";
    EXPECT_EQ(RGB(0x33, 0x66, 0x99), outside);
}

// A window shown while its thread is busy gets the user's clicks before its
// first paint: they must still land on the controls under the pointer.
TEST(InputBeforePaint, ClicksReachTheirControlsBeforeTheFirstLayout) {
    std::wstring dir = MakeResourceFolder(L"res_early");
    ASSERT_TRUE(WriteText(dir + L"\\early.xml", kInputSkin));
    CHostWnd host;
    host.InitWinParam(L"early.xml");
    ASSERT_TRUE(host.CreateDuiWindow(nullptr, L"DuiTest", nullptr, WS_POPUP, 0));
    HWND hWnd = host.GetHWND();
    // Layout of kInputSkin: 24-pixel strip, a 40-pixel row starting with the
    // 80-pixel button, then the 30-pixel edit.
    ::SendMessageW(hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 79));
    ::SendMessageW(hWnd, WM_LBUTTONUP, 0, MAKELPARAM(100, 79));
    CControlUI* edit = host.Find(L"edit");
    EXPECT_TRUE(edit->IsFocused());
    EXPECT_EQ(edit, host.GetPaintManager().GetFocus());
    ::SendMessageW(hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 44));
    ::SendMessageW(hWnd, WM_LBUTTONUP, 0, MAKELPARAM(40, 44));
    EXPECT_TRUE(host.OkSequence(kFocusLeavesForTheButton, kTextAndFocus));
    ::DestroyWindow(hWnd);
}

namespace {

// Watches this program's own GDI calls (its import table, where the toolkit's
// calls go): memory DCs made and deleted, and every bitmap deleted while it
// is still selected into one of them. Windows refuses such a delete and
// leaks the bitmap; Wine defers it, so only the order itself can be checked.
struct GdiWatch {
    static std::set<HDC> dcs;
    static int dcsMade, bitmapsDeleted, deletedWhileSelected;
    static decltype(&::CreateCompatibleDC) realCreateDc;
    static decltype(&::DeleteDC) realDeleteDc;
    static decltype(&::DeleteObject) realDeleteObject;

    static HDC WINAPI CreateDc(HDC ref) {
        HDC dc = realCreateDc(ref);
        if (dc) {
            dcs.insert(dc);
            ++dcsMade;
        }
        return dc;
    }
    static BOOL WINAPI DeleteDc(HDC dc) {
        dcs.erase(dc);
        return realDeleteDc(dc);
    }
    static BOOL WINAPI DeleteObj(HGDIOBJ obj) {
        if (obj && ::GetObjectType(obj) == OBJ_BITMAP) {
            ++bitmapsDeleted;
            for (HDC dc : dcs)
                if (::GetCurrentObject(dc, OBJ_BITMAP) == obj) ++deletedWhileSelected;
        }
        return realDeleteObject(obj);
    }

    // Points the import of gdi32!name at hook; the entry it held, or null.
    static void* Patch(const char* name, void* hook) {
        auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
        auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
        for (; imp->Name; ++imp) {
            if (_stricmp(reinterpret_cast<char*>(base + imp->Name), "gdi32.dll") != 0) continue;
            auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
            for (; names->u1.AddressOfData; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
                auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (strcmp(reinterpret_cast<char*>(byName->Name), name) != 0) continue;
                DWORD old = 0;
                ::VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE, &old);
                void* was = reinterpret_cast<void*>(slots->u1.Function);
                slots->u1.Function = reinterpret_cast<ULONG_PTR>(hook);
                ::VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), old, &old);
                return was;
            }
        }
        return nullptr;
    }
    GdiWatch() {
        dcs.clear();
        dcsMade = bitmapsDeleted = deletedWhileSelected = 0;
        realCreateDc = reinterpret_cast<decltype(realCreateDc)>(Patch("CreateCompatibleDC", reinterpret_cast<void*>(&CreateDc)));
        realDeleteDc = reinterpret_cast<decltype(realDeleteDc)>(Patch("DeleteDC", reinterpret_cast<void*>(&DeleteDc)));
        realDeleteObject = reinterpret_cast<decltype(realDeleteObject)>(Patch("DeleteObject", reinterpret_cast<void*>(&DeleteObj)));
    }
    ~GdiWatch() {
        if (realCreateDc) Patch("CreateCompatibleDC", reinterpret_cast<void*>(realCreateDc));
        if (realDeleteDc) Patch("DeleteDC", reinterpret_cast<void*>(realDeleteDc));
        if (realDeleteObject) Patch("DeleteObject", reinterpret_cast<void*>(realDeleteObject));
    }
    bool Installed() const { return realCreateDc && realDeleteDc && realDeleteObject; }
};
std::set<HDC> GdiWatch::dcs;
int GdiWatch::dcsMade = 0, GdiWatch::bitmapsDeleted = 0, GdiWatch::deletedWhileSelected = 0;
decltype(&::CreateCompatibleDC) GdiWatch::realCreateDc = nullptr;
decltype(&::DeleteDC) GdiWatch::realDeleteDc = nullptr;
decltype(&::DeleteObject) GdiWatch::realDeleteObject = nullptr;

}  // namespace

// Each window paints through an off-screen surface and each image lives in a
// section of its own: every one of them leaves its DC before it is deleted,
// when the window is resized and when it goes.
TEST(Surfaces, NoBitmapIsDeletedWhileStillSelectedIntoItsDc) {
    std::wstring dir = MakeResourceFolder(L"res_surface");
    ASSERT_TRUE(WritePng(dir + L"\\png\\red.png", 60, 40, 0xFFFF0000));
    ASSERT_TRUE(WriteText(dir + L"\\input.xml", kInputSkin));
    GdiWatch watch;
    ASSERT_TRUE(watch.Installed());
    {
        CHostWnd host;
        ASSERT_TRUE(host.Open(L"input.xml", 120, 120));
        HWND hWnd = host.GetHWND();
        ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        ::SetWindowPos(hWnd, nullptr, 0, 0, 360, 240, SWP_NOMOVE | SWP_NOZORDER);
        ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        PumpFor(50);
        ::DestroyWindow(hWnd);
    }
    EXPECT_GE(GdiWatch::dcsMade, 3) << "two off-screen surfaces and the image";
    EXPECT_GE(GdiWatch::bitmapsDeleted, 3);
    EXPECT_EQ(GdiWatch::deletedWhileSelected, 0);
}

TEST(Modal, ShowModalReturnsTheCodeGivenToClose) {
    std::wstring dir = MakeResourceFolder(L"res_modal");
    ASSERT_TRUE(WriteText(dir + L"\\m.xml", "<Window size=\"100,80\"><VerticalLayout bkcolor=\"#FF000000\"/></Window>"));
    CHostWnd owner;
    ASSERT_TRUE(owner.Open(L"m.xml", 10, 10));
    CHostWnd dlg;
    dlg.InitWinParam(L"m.xml");
    ASSERT_TRUE(dlg.CreateDuiWindow(owner.GetHWND(), L"dlg", nullptr, WS_POPUP, 0));
    static CHostWnd* s_dlg = &dlg;
    struct CloseLater {
        static void CALLBACK Fire(HWND, UINT, UINT_PTR id, DWORD) {
            ::KillTimer(nullptr, id);
            s_dlg->Close(42);
        }
    };
    UINT_PTR timer = ::SetTimer(nullptr, 0, 150, &CloseLater::Fire);
    ASSERT_NE(0u, timer);
    EXPECT_EQ(42u, dlg.ShowModal());
    EXPECT_FALSE(::IsWindow(dlg.GetHWND()));
    EXPECT_TRUE(::IsWindowEnabled(owner.GetHWND())) << "the owner is given back its input";
    ::DestroyWindow(owner.GetHWND());
}

namespace {
class CTestMenu : public CMenuImplBase {
public:
    bool finalSeen = false;

protected:
    void InitItem() override {
        CMenuImplBase::InitItem();
        const wchar_t* texts[] = {L"Settings", L"Show", L"Boost", L"Exit"};
        for (int i = 0; i < 4; ++i) {
            auto* item = new CListLabelElementUI;
            item->SetCallBack(true);
            item->SetFixedHeight(32);
            item->SetTag(static_cast<UINT_PTR>(i));
            item->SetText(texts[i]);
            item->SetEnabled(i != 2);
            AddListItem(item);
        }
    }
    void OnFinalMessage(HWND h) override {
        CMenuImplBase::OnFinalMessage(h);
        finalSeen = true;
    }
};

struct MenuOwner : CHostWnd {
    std::vector<WPARAM> clicks;

protected:
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override {
        if (uMsg == DuiLib::DUI_MSG_MENU_CLICK) {
            clicks.push_back(wParam);
            return 0;
        }
        return CHostWnd::HandleCustomMessage(uMsg, wParam, lParam, bHandled);
    }
};

const char kMenuSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="160,0">
  <VerticalLayout bkcolor="#FFFFFFFF" inset="1,1,1,1">
    <List name="menu_list" itemhotbkcolor="#FFCCE0FF" itemtextcolor="#FF202020"/>
  </VerticalLayout>
</Window>)";

// An owner window on screen and a popup menu of four items made for it.
struct Menu : ::testing::Test {
    MenuOwner owner;
    CTestMenu menu;
    void SetUp() override {
        std::wstring dir = MakeResourceFolder(L"res_menu");
        ASSERT_TRUE(WriteText(dir + L"\\menu.xml", kMenuSkin));
        ASSERT_TRUE(WriteText(dir + L"\\owner.xml", "<Window size=\"200,100\"><VerticalLayout bkcolor=\"#FF101010\"/></Window>"));
        ASSERT_TRUE(owner.Open(L"owner.xml", 50, 50));
    }
    void TearDown() override { ::DestroyWindow(owner.GetHWND()); }
    bool Popup() {
        menu.InitParam(owner.GetHWND(), L"menu.xml", nullptr);
        if (!menu.Create(nullptr, L"", WS_POPUP, WS_EX_TOOLWINDOW)) return false;
        menu.AdjustPostion();
        return true;
    }
};
}  // namespace

TEST_F(Menu, ChosenItemReachesTheOwnerAndDisabledItemsAreInert) {
    MoveTo(POINT{400, 300});
    ASSERT_TRUE(Popup());
    // Clicks are taken once it has been up for a double-click time.
    ASSERT_TRUE(PumpUntil([&] { return menu.TakesClicks(); }, 30000));
    RECT wr;
    ::GetWindowRect(menu.GetHWND(), &wr);
    EXPECT_EQ(4 * 32 + 2, wr.bottom - wr.top) << "sized to its items";
    CPaintManagerUI& pm = menu.GetPaintManager();
    pm.UpdateLayout();
    auto* list = pm.FindControl(L"menu_list");
    ASSERT_NE(nullptr, list);

    // The disabled item: a click does nothing, the menu stays.
    RECT item2 = {wr.left + 20, wr.top + 1 + 2 * 32 + 10, 0, 0};
    ClickAt(POINT{item2.left, item2.top});
    PumpFor(100);
    EXPECT_TRUE(::IsWindow(menu.GetHWND()));
    EXPECT_TRUE(owner.clicks.empty());

    ClickAt(POINT{wr.left + 20, wr.top + 1 + 3 * 32 + 10});
    ASSERT_TRUE(PumpUntil([&] { return menu.finalSeen && !owner.clicks.empty(); }));
    ASSERT_EQ(1u, owner.clicks.size());
    EXPECT_EQ(3u, owner.clicks[0]);
}

TEST_F(Menu, ClosesWhenItLosesActivation) {
    ASSERT_TRUE(Popup());
    PumpFor(100);
    ::SetForegroundWindow(owner.GetHWND());
    ::SetActiveWindow(owner.GetHWND());
    ASSERT_TRUE(PumpUntil([&] { return menu.finalSeen; }));
    EXPECT_TRUE(owner.clicks.empty());
}
