// Whether a window is covered, judged from a table of the windows above it
// (what each would answer), and once through real windows: shown and seen
// as the window, the toolkit and the dial ask them.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <vector>

#include "base/Win32Owners.h"
#include "duilib/Visibility.h"
#include "duilib/WindowCover.h"

using DuiLib::CVisibility;
using DuiLib::CWindowCover;

namespace {

// A window above: where it is, its class, and at most one thing that sets
// it apart ("hidden", "minimised", "see-through", "popup" of this process,
// "cloaked", "no rect" known).
struct Above {
    RECT rect;
    const wchar_t* cls;
    const char* trait;
};

Above Plain(RECT rect, const char* trait = "") { return Above{rect, L"Notepad", trait}; }
Above OfClass(const wchar_t* cls, RECT rect) { return Above{rect, cls, ""}; }

// The windows of a table, answering as the screen would.
class CListedWindows final : public CWindowCover::IWindowsAbove {
public:
    explicit CListedWindows(const std::vector<Above>& windows) : m_windows(windows) {}

    bool Next() override { return ++m_at < static_cast<int>(m_windows.size()); }
    bool IsShown() override { return !Is("hidden") && !Is("minimised"); }
    bool IsSeeThrough() override { return Is("see-through"); }
    DuiLib::CDuiString ClassName() override { return DuiLib::CDuiString(m_windows[m_at].cls); }
    bool IsPopupOfThisProcess() override { return Is("popup"); }
    bool IsCloaked() override { return Is("cloaked"); }
    bool GetRect(RECT& rc) override {
        rc = m_windows[m_at].rect;
        return !Is("no rect");
    }

private:
    bool Is(const char* trait) const { return std::strcmp(m_windows[m_at].trait, trait) == 0; }

    const std::vector<Above>& m_windows;
    int m_at = -1;
};

const RECT kMine = {100, 100, 300, 300};
const RECT kOverAll = {50, 50, 350, 350};

struct CoverCase {
    const char* what;
    RECT mine;
    std::vector<Above> above;
    bool covered;
};

const CoverCase kCoverCases[] = {
    {"nothing above", kMine, {}, false},
    {"a window over all of it", kMine, {Plain(kOverAll)}, true},
    {"a window of just its size", kMine, {Plain(kMine)}, true},
    {"a window over part of it", kMine, {Plain({100, 100, 200, 300})}, false},
    {"two windows that cover it together", kMine, {Plain({100, 100, 200, 300}), Plain({200, 100, 300, 300})}, true},
    {"two windows that leave a strip", kMine, {Plain({100, 100, 200, 300}), Plain({201, 100, 300, 300})}, false},
    {"a hidden window", kMine, {Plain(kOverAll, "hidden")}, false},
    {"a minimised window", kMine, {Plain(kOverAll, "minimised")}, false},
    {"a cloaked window", kMine, {Plain(kOverAll, "cloaked")}, false},
    {"a see-through window", kMine, {Plain(kOverAll, "see-through")}, false},
    {"a popup this process owns (a menu, a notice)", kMine, {Plain(kOverAll, "popup")}, false},
    {"a window whose place is not known", kMine, {Plain(kOverAll, "no rect")}, false},
    {"a tooltip", kMine, {OfClass(L"tooltips_class32", kOverAll)}, false},
    {"a menu of another process", kMine, {OfClass(L"#32768", kOverAll)}, false},
    {"the taskbar, whatever the case of its class", kMine, {OfClass(L"shell_traywnd", kOverAll)}, false},
    {"a real cover beyond passing windows", kMine,
     {OfClass(L"tooltips_class32", kOverAll), Plain(kOverAll, "cloaked"), Plain(kOverAll)}, true},
    {"a window parked off the screen", kMine, {Plain({-32000, -32000, -31800, -31800})}, false},
    // What lies off the screen is not known to be hidden: in doubt, seen.
    {"partly off the screen, the rest covered", {-100, 100, 100, 300}, {Plain({0, 100, 100, 300})}, false},
    {"a window of no size", {100, 100, 100, 300}, {Plain(kOverAll)}, false},
};

}  // namespace

TEST(WindowCover, CoveredOnlyByWindowsThatStayOverAllOfIt) {
    for (const CoverCase& c : kCoverCases) {
        SCOPED_TRACE(c.what);
        CListedWindows above(c.above);
        EXPECT_EQ(c.covered, CWindowCover::Covered(c.mine, above));
    }
}

// The same questions of real windows: a child is judged by its top-level
// window, and a minimised window covers nothing. (The dial's tests ask of
// hidden, minimised and covered main windows.)
TEST(WindowCover, ShownAndSeenOfRealWindows) {
    vt::UniqueWindow host(CreateWindowExW(WS_EX_NOACTIVATE, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 100, 100, 200, 200,
                                          nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(host);
    const HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, host.Get(), nullptr,
                                       nullptr, nullptr);
    ASSERT_NE(nullptr, child);
    EXPECT_TRUE(CVisibility::IsSeen(child));

    vt::UniqueWindow cover(CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 50,
                                           50, 300, 300, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(cover);
    for (HWND w : {host.Get(), child}) {
        EXPECT_TRUE(CVisibility::IsShown(w)) << "covered is still shown";
        EXPECT_FALSE(CVisibility::IsSeen(w));
    }
    ShowWindow(cover.Get(), SW_SHOWMINNOACTIVE);
    EXPECT_TRUE(CVisibility::IsSeen(host.Get())) << "a minimised window covers nothing";
    cover.Reset();

    ShowWindow(host.Get(), SW_HIDE);
    EXPECT_FALSE(CVisibility::IsShown(child)) << "in a hidden window";
}
