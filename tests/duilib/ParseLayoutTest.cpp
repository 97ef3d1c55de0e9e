// Attribute values, image descriptions, the skin builder and layout.
#include <gtest/gtest.h>

#include <algorithm>

#include "DuiTestUtil.h"
#include "base/Win32Owners.h"
#include "duilib/AttrParse.h"
#include "duilib/ButtonUI.h"
#include "duilib/DialogBuilder.h"
#include "duilib/EditUI.h"
#include "duilib/ImageDesc.h"
#include "duilib/LabelUI.h"
#include "duilib/OptionUI.h"
#include "duilib/TabLayoutUI.h"
#include "support/TestPaths.h"

using namespace DuiLib;
using namespace DuiTest;

static bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }
static std::ostream& operator<<(std::ostream& os, const RECT& r) {
    return os << r.left << "," << r.top << "," << r.right << "," << r.bottom;
}

TEST(AttrParse, NumbersRectanglesColoursAndBooleans) {
    int n = 7;
    EXPECT_TRUE(CAttrParse::Int(L"w", L" 42 ", n));
    EXPECT_EQ(42, n);
    EXPECT_TRUE(CAttrParse::Int(L"w", L"-3", n));
    EXPECT_EQ(-3, n);
    EXPECT_FALSE(CAttrParse::Int(L"w", L"12px", n));
    EXPECT_FALSE(CAttrParse::Int(L"w", L"", n));
    EXPECT_FALSE(CAttrParse::Int(L"w", L"99999999999", n));
    EXPECT_EQ(-3, n) << "a refused value leaves the target alone";
    EXPECT_NE(-1, CAttrParse::TakeError().Find(L"99999999999"));

    RECT rc = {};
    EXPECT_TRUE(CAttrParse::Rect(L"pos", L"1, 2,3 ,4", rc));
    EXPECT_EQ(1, rc.left);
    EXPECT_EQ(4, rc.bottom);
    EXPECT_FALSE(CAttrParse::Rect(L"pos", L"1,2,3", rc));
    EXPECT_FALSE(CAttrParse::Rect(L"pos", L"1,2,3,4,5", rc));

    DWORD c = 0;
    EXPECT_TRUE(CAttrParse::Color(L"bkcolor", L"#FF102030", c));
    EXPECT_EQ(0xFF102030u, c);
    EXPECT_TRUE(CAttrParse::Color(L"bkcolor", L"#102030", c));
    EXPECT_EQ(0xFF102030u, c) << "six digits are opaque";
    EXPECT_TRUE(CAttrParse::Color(L"bkcolor", L"0x80FFFFFF", c));
    EXPECT_EQ(0x80FFFFFFu, c);
    EXPECT_FALSE(CAttrParse::Color(L"bkcolor", L"#GG0000", c));
    EXPECT_FALSE(CAttrParse::Color(L"bkcolor", L"red", c));

    bool b = false;
    EXPECT_TRUE(CAttrParse::Bool(L"v", L"true", b));
    EXPECT_TRUE(b);
    EXPECT_TRUE(CAttrParse::Bool(L"v", L"0", b));
    EXPECT_FALSE(b);
    EXPECT_FALSE(CAttrParse::Bool(L"v", L"yes", b));

    std::vector<std::pair<CDuiString, CDuiString>> list;
    EXPECT_TRUE(CAttrParse::AttributeList(L"textcolor=\"#FF000000\" normalimage=\"file='a.png' source='0,0,1,1'\"", list));
    ASSERT_EQ(2u, list.size());
    EXPECT_STREQ(L"file='a.png' source='0,0,1,1'", list[1].second.GetData());
    list.clear();
    EXPECT_FALSE(CAttrParse::AttributeList(L"a=\"1\" b=\"unterminated", list));
}

TEST(ImageDesc, PlainPathsAndKeyedDescriptions) {
    CImageDesc d;
    ASSERT_TRUE(d.Parse(L" png/x.png "));
    EXPECT_STREQ(L"png/x.png", d.sFile.GetData());
    EXPECT_FALSE(d.bSource);

    ASSERT_TRUE(d.Parse(L"file='png/gou.png' source='0,0,32,32' dest='2,4,34,36' "));
    EXPECT_STREQ(L"png/gou.png", d.sFile.GetData());
    EXPECT_TRUE(d.bSource);
    EXPECT_EQ(32, d.rcSource.right);
    EXPECT_TRUE(d.bDest);
    EXPECT_EQ(4, d.rcDest.top);
    EXPECT_EQ(36, d.rcDest.bottom);

    ASSERT_TRUE(d.Parse(L"file='b.png' corner='4,4,4,4' fade='128'"));
    EXPECT_EQ(128, d.uFade);
    EXPECT_EQ(4, d.rcCorner.right);

    EXPECT_FALSE(d.Parse(L"file='b.png' source='0,0,1'"));
    EXPECT_FALSE(d.Parse(L"file='b.png' shine='1'"));
    EXPECT_FALSE(d.Parse(L"file='b.png"));
    EXPECT_FALSE(d.Parse(L"source='0,0,1,1'")) << "no file";
}

namespace {
const char kLayoutSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="300,200" caption="0,0,0,30" mininfo="100,80">
  <Font id="0" name="Tahoma" size="12" default="true"/>
  <Font id="3" name="Tahoma" size="16" bold="true"/>
  <Default name="Button" value="textcolor=&quot;#FF112233&quot; height=&quot;24&quot;"/>
  <VerticalLayout name="root" bkcolor="#FF202020" inset="10,10,10,10" childpadding="4">
    <Label name="title" height="30" text="Hello" font="3" textcolor="#FFFFFFFF" align="center"
           userdata="http://x" tooltip="tip" padding="5,0,5,0"/>
    <HorizontalLayout name="row" height="40">
      <Button name="b1" width="60" text="One"/>
      <Control name="fill"/>
      <Button name="b2" width="80" padding="6,2,0,0" enabled="false"/>
    </HorizontalLayout>
    <Control name="auto"/>
    <TabLayout name="tabs" height="20" selectedid="1">
      <Label name="p0"/><Label name="p1"/>
    </TabLayout>
    <Label name="floater" float="true" pos="200,5,260,25" bkcolor="#FF00FF00"/>
    <Gauge name="custom" height="10"/>
  </VerticalLayout>
</Window>)";

class CGauge : public CLabelUI {
public:
    LPCWSTR GetClass() const override { return L"GaugeUI"; }
};
}  // namespace

TEST(Builder, AttributesReachTheControlsAndLayoutFollowsThem) {
    MakeResourceFolder(L"res_layout");
    ASSERT_TRUE(WriteText(TestPaths::Join(CPaintManagerUI::GetResourcePath().Str(), L"layout.xml"), kLayoutSkin));
    CHostWnd host;
    host.factory = [](LPCWSTR c) -> CControlUI* { return wcscmp(c, L"Gauge") == 0 ? new CGauge : nullptr; };
    ASSERT_TRUE(host.Open(L"layout.xml"));
    CPaintManagerUI& pm = host.GetPaintManager();
    pm.UpdateLayout();

    RECT wr;
    ::GetWindowRect(host.GetHWND(), &wr);
    EXPECT_EQ(300, wr.right - wr.left);
    EXPECT_EQ(200, wr.bottom - wr.top);
    EXPECT_EQ(30, pm.GetCaptionRect().bottom);
    EXPECT_EQ(100, pm.GetMinInfo().cx);

    auto* title = static_cast<CLabelUI*>(host.Find(L"title"));
    ASSERT_NE(nullptr, title);
    EXPECT_STREQ(L"Hello", title->GetText().GetData());
    EXPECT_STREQ(L"http://x", title->GetUserData().GetData());
    EXPECT_STREQ(L"tip", title->GetToolTip().GetData());
    EXPECT_EQ(3, title->GetFont());
    // The skin names the face unless the language has chosen one for all.
    auto faceOf = [](HFONT font) {
        LOGFONTW lf = {};
        ::GetObjectW(font, sizeof(lf), &lf);
        return std::wstring(lf.lfFaceName);
    };
    EXPECT_EQ(faceOf(pm.GetFont(3)), L"Tahoma");
    CDialogBuilder::SetFontFace(L"Courier New");
    CHostWnd other;
    other.factory = host.factory;
    ASSERT_TRUE(other.Open(L"layout.xml"));
    CDialogBuilder::SetFontFace(nullptr);
    EXPECT_EQ(faceOf(other.GetPaintManager().GetFont(3)), L"Courier New");
    EXPECT_EQ(faceOf(other.GetPaintManager().GetFont(0)), L"Courier New");
    EXPECT_EQ(0xFFFFFFFFu, title->GetTextColor());
    EXPECT_TRUE(title->GetTextStyle() & DT_CENTER);
    EXPECT_EQ(nullptr, host.Find(L"nosuch"));

    // Root inset 10: everything inside 10..290 x 10..190; title has padding 5 each side.
    EXPECT_EQ((RECT{15, 10, 285, 40}), title->GetPos()) << "fixed height, padded width";
    CControlUI* row = host.Find(L"row");
    EXPECT_EQ(44, row->GetPos().top) << "after title + childpadding 4";
    EXPECT_EQ(84, row->GetPos().bottom);
    RECT b1 = host.Find(L"b1")->GetPos(), fill = host.Find(L"fill")->GetPos(), b2 = host.Find(L"b2")->GetPos();
    EXPECT_EQ(10, b1.left);
    EXPECT_EQ(70, b1.right);
    EXPECT_EQ(68, b1.bottom) << "default height 24 from <Default>";
    EXPECT_EQ(70, fill.left);
    EXPECT_EQ(290 - 80 - 6, fill.right) << "the free control takes the rest";
    EXPECT_EQ(fill.right + 6, b2.left) << "left padding";
    EXPECT_EQ(290, b2.right);
    EXPECT_EQ(46, b2.top) << "top padding";
    EXPECT_FALSE(host.Find(L"b2")->IsEnabled());
    EXPECT_EQ(0xFF112233u, static_cast<CButtonUI*>(host.Find(L"b1"))->GetTextColor());

    // auto: 190 - 10 - (30 + 40 + 20 + 10) - 4 * 4 = 64 high.
    RECT autoRc = host.Find(L"auto")->GetPos();
    EXPECT_EQ(88, autoRc.top);
    EXPECT_EQ(88 + 64, autoRc.bottom);

    auto* tabs = static_cast<CTabLayoutUI*>(host.Find(L"tabs"));
    EXPECT_EQ(1, tabs->GetCurSel());
    EXPECT_FALSE(host.Find(L"p0")->IsVisible());
    EXPECT_TRUE(host.Find(L"p1")->IsVisible());
    EXPECT_TRUE(tabs->SelectItem(0));
    EXPECT_TRUE(host.Find(L"p0")->IsVisible());
    EXPECT_FALSE(tabs->SelectItem(5));
    EXPECT_EQ(0, tabs->GetCurSel());

    EXPECT_EQ((RECT{200, 5, 260, 25}), host.Find(L"floater")->GetPos()) << "float pos relative to the parent";
    CControlUI* custom = host.Find(L"custom");
    ASSERT_NE(nullptr, custom);
    EXPECT_STREQ(L"GaugeUI", custom->GetClass());
    EXPECT_EQ(10, custom->GetPos().bottom - custom->GetPos().top);

    // Changing a size rule lays the window out again.
    host.Find(L"title")->SetFixedHeight(50);
    pm.UpdateLayout();
    EXPECT_EQ(64, host.Find(L"row")->GetPos().top);
    ::DestroyWindow(host.GetHWND());
}

TEST(Builder, ProblemsAreCollectedWithTheirLines) {
    MakeResourceFolder(L"res_problems");
    CPaintManagerUI pm;
    CDialogBuilder builder;
    CControlUI* root = builder.CreateFromText(L"mem.xml",
                                              "<Window size=\"10,10\">\n"
                                              "<VerticalLayout>\n"
                                              "  <Label name=\"a\" width=\"wide\"/>\n"
                                              "  <Sparkle name=\"s\"/>\n"
                                              "  <Button name=\"b\" shine=\"1\" normalimage=\"png/none.png\"/>\n"
                                              "</VerticalLayout>\n"
                                              "</Window>\n",
                                              nullptr, &pm);
    ASSERT_NE(nullptr, root);
    std::unique_ptr<CControlUI> owner(root);
    ASSERT_EQ(4u, builder.Problems().size());
    EXPECT_NE(-1, builder.Problems()[0].Find(L"line 3")) << builder.Problems()[0].GetData();
    EXPECT_NE(-1, builder.Problems()[0].Find(L"wide"));
    EXPECT_NE(-1, builder.Problems()[1].Find(L"line 4"));
    EXPECT_NE(-1, builder.Problems()[1].Find(L"Sparkle"));
    EXPECT_NE(-1, builder.Problems()[2].Find(L"shine"));
    EXPECT_NE(-1, builder.Problems()[3].Find(L"png/none.png"));
    EXPECT_NE(nullptr, root->FindControlByName(L"a")) << "a bad attribute keeps its control";
    EXPECT_NE(nullptr, root->FindControlByName(L"b"));
    EXPECT_EQ(nullptr, root->FindControlByName(L"s")) << "an unknown element is left out";
}

namespace {

const char kFitSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="300,160">
  <Font id="0" name="Tahoma" size="12" default="true"/>
  <VerticalLayout>
    <HorizontalLayout height="24">
      <Label name="caption" autowidth="true" minwidth="40" textpadding="0,0,8,0" text="Hot key:"/>
      <Option name="choice" autowidth="true" textpadding="8,0,4,0" text="Do not start with Windows"/>
      <Control/>
    </HorizontalLayout>
    <List name="list" width="60" height="30">
      <ListLabelElement name="item" text="A row much longer than its list"/>
    </List>
    <Edit name="field" width="30" height="24" text="WWWWWWWW"/>
    <Label name="cut" width="40" height="20" endellipsis="true" text="An ellipsis hides the rest"/>
  </VerticalLayout>
</Window>)";

// The width of a text in a window's font, in device pixels.
int Extent(CPaintManagerUI& pm, const wchar_t* text) {
    vt::WindowDc screen(nullptr);
    vt::ScopedSelect font(screen.Get(), pm.GetFont(0));
    RECT rc = {0, 0, 0, 0};
    ::DrawTextW(screen.Get(), text, -1, &rc, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
    return rc.right;
}

int Width(CHostWnd& host, const wchar_t* name) {
    const RECT rc = host.Find(name)->GetPos();
    return rc.right - rc.left;
}

}  // namespace

TEST(Builder, AutoWidthFollowsTheTextAndEveryCutTextIsLogged) {
    MakeResourceFolder(L"res_fit");
    ASSERT_TRUE(WriteText(TestPaths::Join(CPaintManagerUI::GetResourcePath().Str(), L"fit.xml"), kFitSkin));
    EnableLog();
    const std::string before = ReadLog();
    CHostWnd host;
    ASSERT_TRUE(host.Open(L"fit.xml"));
    CPaintManagerUI& pm = host.GetPaintManager();
    pm.UpdateLayout();
    EXPECT_EQ(Width(host, L"caption"), std::max(40, Extent(pm, L"Hot key:") + 8));
    EXPECT_EQ(Width(host, L"choice"), Extent(pm, L"Do not start with Windows") + 12);
    EXPECT_EQ(host.Find(L"choice")->GetPos().left, host.Find(L"caption")->GetPos().right);

    // A longer text widens it and moves what follows; none keeps its minimum.
    host.Find(L"caption")->SetText(L"A much longer caption:");
    pm.UpdateLayout();
    EXPECT_EQ(Width(host, L"caption"), Extent(pm, L"A much longer caption:") + 8);
    EXPECT_EQ(host.Find(L"choice")->GetPos().left, host.Find(L"caption")->GetPos().right);
    host.Find(L"caption")->SetText(L"");
    pm.UpdateLayout();
    EXPECT_EQ(Width(host, L"caption"), 40);

    // Painted: the list row, the edit and the ellipsis label are cut, each
    // logged once; the sized ones are not. At a new scale the sizes follow
    // and the cut ones are logged again.
    ::RedrawWindow(host.GetHWND(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    ::RedrawWindow(host.GetHWND(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    std::string log = ReadLog().substr(before.size());
    EXPECT_EQ(CountLines(log, "is clipped"), 3) << log;
    EXPECT_EQ(CountLines(log, "<ListLabelElementUI> \"item\" is clipped"), 1) << log;
    EXPECT_EQ(CountLines(log, "<EditUI> \"field\" is clipped"), 1) << log;
    EXPECT_EQ(CountLines(log, "<LabelUI> \"cut\" is clipped"), 1) << log;
    RECT rc;
    ::GetWindowRect(host.GetHWND(), &rc);
    rc.right = rc.left + 600;
    rc.bottom = rc.top + 320;
    ::SendMessageW(host.GetHWND(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&rc));
    ::RedrawWindow(host.GetHWND(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(Width(host, L"choice"), Extent(pm, L"Do not start with Windows") + 24);
    log = ReadLog().substr(before.size());
    EXPECT_EQ(CountLines(log, "is clipped"), 6) << log;
    EXPECT_EQ(CountLines(log, "at 192 DPI"), 3) << log;
    ::DestroyWindow(host.GetHWND());
}
