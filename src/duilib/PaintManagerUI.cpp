#include "duilib/PaintManagerUI.h"

#include <objbase.h>
#include <oleacc.h>
#include <windowsx.h>

#include <algorithm>
#include "duilib/GdiplusHeaders.h"

#include "duilib/ControlUI.h"
#include "duilib/GdiplusSession.h"
#include "duilib/HighContrast.h"
#include "duilib/DuiLog.h"
#include "duilib/TabOrder.h"

namespace DuiLib {

namespace {
HINSTANCE g_hInstance = nullptr;
CDuiString& ResourcePath() {
    static CDuiString s_path;
    return s_path;
}
UINT AsyncNotifyMessage() {
    static UINT s_msg = ::RegisterWindowMessageW(L"DuiLib.AsyncNotify");
    return s_msg;
}
UINT AccessibleActionMessage() {
    static UINT s_msg = ::RegisterWindowMessageW(L"DuiLib.AccessibleAction");
    return s_msg;
}
CDuiString (*g_textLookup)(LPCWSTR) = nullptr;
}  // namespace

CPaintManagerUI::CPaintManagerUI() = default;

CPaintManagerUI::~CPaintManagerUI() {
    RemoveAllTimers();
    CControlUI* root = m_pRoot;
    m_pRoot = nullptr;
    delete root;  // controls reap themselves from this manager on the way
    m_images.clear();
}

void CPaintManagerUI::SetInstance(HINSTANCE hInst) { g_hInstance = hInst; }

HINSTANCE CPaintManagerUI::GetInstance() {
    return g_hInstance ? g_hInstance : ::GetModuleHandleW(nullptr);
}

CDuiString CPaintManagerUI::GetInstancePath() {
    wchar_t path[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameW(GetInstance(), path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return CDuiString();
    CDuiString s(path);
    int slash = s.ReverseFind(L'\\');
    return slash >= 0 ? s.Left(slash + 1) : CDuiString();
}

void CPaintManagerUI::SetResourcePath(LPCWSTR path) {
    CDuiString p(path);
    if (!p.IsEmpty() && p.GetAt(p.GetLength() - 1) != L'\\' && p.GetAt(p.GetLength() - 1) != L'/') p += L'\\';
    ResourcePath() = p;
}

const CDuiString& CPaintManagerUI::GetResourcePath() { return ResourcePath(); }

CDuiString CPaintManagerUI::ResolvePath(LPCWSTR path) {
    CDuiString p(path);
    p.Replace(L"/", L"\\");
    bool absolute = (p.GetLength() > 1 && p.GetAt(1) == L':') || p.Left(2) == L"\\\\";
    if (absolute) return p;
    CDuiString root = ResourcePath().IsEmpty() ? GetInstancePath() : ResourcePath();
    bool rootAbsolute = (root.GetLength() > 1 && root.GetAt(1) == L':') || root.Left(2) == L"\\\\";
    if (!rootAbsolute) root = GetInstancePath() + root;
    return root + p;
}

DWORD CPaintManagerUI::LoadFileData(LPCWSTR path, std::vector<BYTE>& data, bool bResourceRelative) {
    data.clear();
    if (!path || !*path) return 0;
    CDuiString full = bResourceRelative ? ResolvePath(path) : CDuiString(path);
    vt::UniqueFile file(::CreateFileW(full, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 0;
    LARGE_INTEGER size = {};
    // Skin files and images are small; anything over 64 MiB is not one.
    if (::GetFileSizeEx(file.Get(), &size) && size.QuadPart > 0 && size.QuadPart < (64 << 20)) {
        data.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        if (!::ReadFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr) ||
            read != data.size())
            data.clear();
    }
    return static_cast<DWORD>(data.size());
}

void CPaintManagerUI::MessageLoop() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

void CPaintManagerUI::Init(HWND hWnd) {
    CGdiplusSession::Ensure();
    m_hWnd = hWnd;
    SetDpi(QueryDpi(hWnd));
    BOOL cuesAlways = FALSE;
    m_bFocusVisible = ::SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &cuesAlways, 0) && cuesAlways;
}

int CPaintManagerUI::QueryDpi(HWND hWnd) {
    // Windows 10 1607 and later know each window's monitor DPI; Windows 7
    // has one DPI for the session, the screen's.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const GetDpiForWindowFn s_getDpiForWindow =
        vt::ProcAddress<GetDpiForWindowFn>(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow");
    int dpi = 0;
    if (s_getDpiForWindow && hWnd) dpi = static_cast<int>(s_getDpiForWindow(hWnd));
    if (dpi <= 0) {
        vt::WindowDc screen(nullptr);
        if (screen) dpi = ::GetDeviceCaps(screen.Get(), LOGPIXELSY);
    }
    // Anything outside what displays offer is a broken answer, not a scale.
    return dpi >= 48 && dpi <= 960 ? dpi : 96;
}

void CPaintManagerUI::SetDpi(int dpi) {
    if (dpi < 48 || dpi > 960 || dpi == m_nDpi) return;
    m_nDpi = dpi;
    for (const auto& f : m_fontSpecs) MakeFont(f.first, f.second);
    m_hSystemFont.Reset();
    m_images.clear();
    m_bUpdateNeeded = true;
    Invalidate();
}

CDuiString CPaintManagerUI::FindImageVariant(LPCWSTR file, int dpi, double& factor) {
    factor = 1.0;
    CDuiString plain(file);
    if (dpi <= 96) return plain;
    const int dot = plain.ReverseFind(L'.');
    const int slash = std::max(plain.ReverseFind(L'/'), plain.ReverseFind(L'\\'));
    const bool hasExt = dot > slash;
    const CDuiString stem = hasExt ? plain.Left(dot) : plain, ext = hasExt ? plain.Mid(dot) : CDuiString();
    // Exact first; else the smallest larger one, as shrinking loses less than
    // enlarging; else the largest there is.
    const double want = dpi / 96.0;
    const struct { LPCWSTR suffix; double factor; } variants[] = {{L"@1.5x", 1.5}, {L"@2x", 2.0}};
    double best = 1.0;
    CDuiString bestPath = plain;
    for (const auto& v : variants) {
        CDuiString path = stem + v.suffix + ext;
        if (::GetFileAttributesW(ResolvePath(path)) == INVALID_FILE_ATTRIBUTES) continue;
        const bool better = best < want ? v.factor > best : (v.factor >= want && v.factor < best);
        if (better) {
            best = v.factor;
            bestPath = path;
        }
    }
    factor = best;
    return bestPath;
}

bool CPaintManagerUI::AttachDialog(CControlUI* pRoot) {
    if (!pRoot) return false;
    delete m_pRoot;
    m_pRoot = pRoot;
    m_pFocus = m_pEventHover = m_pEventClick = nullptr;
    pRoot->SetManager(this, nullptr);
    m_bUpdateNeeded = true;
    m_bFirstLayoutDone = false;
    Invalidate();
    return true;
}

CControlUI* CPaintManagerUI::FindControl(LPCWSTR name) const {
    if (!m_pRoot || !name || !*name) return nullptr;
    return m_pRoot->FindControlByName(name);
}

CControlUI* CPaintManagerUI::FindControl(POINT pt) {
    // Layout otherwise happens on paint, and input queued before the first
    // paint (a window shown while its thread was busy) would hit nothing.
    UpdateLayout();
    return m_pRoot ? m_pRoot->FindControlAt(pt) : nullptr;
}

void CPaintManagerUI::VisitAll(CControlUI* pControl, void (*fn)(CControlUI*, void*), void* ctx) const {
    pControl->VisitTree(fn, ctx);
}

void CPaintManagerUI::ReapObjects(CControlUI* pControl) {
    auto acc = m_accIds.find(pControl);
    if (acc != m_accIds.end()) {
        m_accControls[static_cast<size_t>(acc->second - 1)] = nullptr;
        m_accIds.erase(acc);
    }
    if (m_pFocus == pControl) m_pFocus = nullptr;
    if (m_pEventHover == pControl) {
        m_pEventHover = nullptr;
        HideToolTip();
    }
    if (m_pEventClick == pControl) m_pEventClick = nullptr;
    KillTimer(pControl);
    m_asyncNotify.erase(std::remove_if(m_asyncNotify.begin(), m_asyncNotify.end(),
                                       [&](const TNotifyUI& n) { return n.pSender == pControl; }),
                        m_asyncNotify.end());
}

bool CPaintManagerUI::AddFont(int id, LPCWSTR face, int size, bool bold, bool underline, bool italic,
                              bool isDefault) {
    FontSpec spec{CDuiString(face && *face ? face : L"Tahoma"), std::abs(size), bold, underline, italic};
    if (!MakeFont(id, spec)) return false;
    m_fontSpecs[id] = spec;
    if (isDefault || m_nDefaultFontId < 0) m_nDefaultFontId = id;
    return true;
}

bool CPaintManagerUI::MakeFont(int id, const FontSpec& spec) {
    LOGFONTW lf = {};
    lf.lfHeight = -Scale(spec.size);
    lf.lfWeight = spec.bold ? FW_BOLD : FW_NORMAL;
    lf.lfUnderline = spec.underline;
    lf.lfItalic = spec.italic;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    lstrcpynW(lf.lfFaceName, spec.face, LF_FACESIZE);
    vt::UniqueFont font(::CreateFontIndirectW(&lf));
    if (!font) return false;
    m_fonts[id] = std::move(font);
    return true;
}

HFONT CPaintManagerUI::GetFont(int id) const {
    auto it = m_fonts.find(id);
    if (it != m_fonts.end()) return it->second.Get();
    return GetDefaultFont();
}

HFONT CPaintManagerUI::GetDefaultFont() const {
    auto it = m_fonts.find(m_nDefaultFontId);
    if (it != m_fonts.end()) return it->second.Get();
    if (!m_hSystemFont) {
        LOGFONTW lf = {};
        lf.lfHeight = -Scale(12);
        lf.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(lf.lfFaceName, L"Tahoma", LF_FACESIZE);
        const_cast<vt::UniqueFont&>(m_hSystemFont).Reset(::CreateFontIndirectW(&lf));
    }
    return m_hSystemFont.Get();
}

void CPaintManagerUI::AddDefaultAttributeList(LPCWSTR controlName, LPCWSTR attrList) {
    m_defaultAttrs[CDuiString(controlName)] = attrList;
}

LPCWSTR CPaintManagerUI::GetDefaultAttributeList(LPCWSTR controlName) const {
    auto it = m_defaultAttrs.find(CDuiString(controlName));
    return it == m_defaultAttrs.end() ? nullptr : it->second.GetData();
}

void CPaintManagerUI::MarkImageReported(LPCWSTR file) { m_reportedImages.insert(CDuiString(file)); }

namespace {
std::unique_ptr<CSkinImage> DecodeFile(LPCWSTR file) {
    std::vector<BYTE> data;
    if (CPaintManagerUI::LoadFileData(file, data) == 0) return nullptr;
    return CSkinImage::Decode(data);
}
}  // namespace

std::unique_ptr<CSkinImage> CPaintManagerUI::LoadImageAtDpi(LPCWSTR file) const {
    double factor = 1.0;
    const CDuiString path = FindImageVariant(file, m_nDpi, factor);
    std::unique_ptr<CSkinImage> image = DecodeFile(path);
    if (!image || (factor == 1.0 && m_nDpi == 96)) return image;
    // The size the image has at 96 DPI is what the skin's numbers refer to.
    const int w = static_cast<int>(image->GetWidth() / factor + 0.5);
    const int h = static_cast<int>(image->GetHeight() / factor + 0.5);
    image->SetLayoutSize(w, h);
    if (image->GetWidth() == Scale(w) && image->GetHeight() == Scale(h)) return image;
    std::unique_ptr<CSkinImage> scaled = CSkinImage::Resampled(*image, Scale(w), Scale(h));
    if (scaled) scaled->SetLayoutSize(w, h);
    return scaled;
}

CSkinImage* CPaintManagerUI::GetImage(LPCWSTR file) {
    CDuiString key(file);
    auto it = m_images.find(key);
    if (it != m_images.end()) return it->second.get();
    CGdiplusSession::Ensure();
    std::unique_ptr<CSkinImage> decoded = LoadImageAtDpi(file);
    if (!decoded) {
        if (m_reportedImages.insert(key).second) {
            DUI_LOG("skin \"%s\": image file \"%s\" is missing or not an image", LogText(m_sSkinName).c_str(),
                 LogText(file).c_str());
        }
        // Remember the failure too, so a missing file is not retried every paint.
        m_images[key] = nullptr;
        return nullptr;
    }
    CSkinImage* raw = decoded.get();
    m_images[key] = std::move(decoded);
    return raw;
}

void CPaintManagerUI::KeepOffscreenForAWhile() {
    m_dwLastOffscreenUse = ::GetTickCount();
    // One timer while the buffer lives, not one reset per frame.
    if (!m_bOffscreenTimer) m_bOffscreenTimer = ::SetTimer(m_hWnd, kOffscreenTimerId, kOffscreenKeepMs, nullptr) != 0;
}

void CPaintManagerUI::ReleaseIdleOffscreen() {
    if (::GetTickCount() - m_dwLastOffscreenUse < kOffscreenKeepMs) return;
    ReleaseOffscreen();
}

void CPaintManagerUI::ReleaseOffscreen() {
    m_offscreen.Reset();
    if (m_bOffscreenTimer) ::KillTimer(m_hWnd, kOffscreenTimerId);
    m_bOffscreenTimer = false;
}

namespace {

// Windows that never hide the dial for long, or only seem to: a tooltip, a
// menu or another popup this process owns (they go as soon as the user
// moves on), and the shell's own bars, which are topmost and may span the
// screen while showing next to nothing. Counting them as a cover would stop
// the dial's animation for as long as they stay.
bool PassingOver(HWND w) {
    wchar_t cls[64] = {};
    ::GetClassNameW(w, cls, 64);
    for (const wchar_t* shell : {L"tooltips_class32", L"#32768", L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd",
                                 L"Progman", L"WorkerW", L"NotifyIconOverflowWindow"})
        if (::lstrcmpiW(cls, shell) == 0) return true;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(w, &pid);
    return pid == ::GetCurrentProcessId() && ::GetWindow(w, GW_OWNER) != nullptr;
}

// Whether shown windows above `hwnd` cover all of it. The system does not
// say: with desktop composition a covered window keeps its whole picture
// and its DC is not clipped. See-through (layered) windows cover nothing,
// and neither do the passing ones above: in doubt, the window counts as seen.
bool CoveredByWindowsAbove(HWND hwnd) {
    RECT mine;
    if (!::GetWindowRect(hwnd, &mine) || ::IsRectEmpty(&mine)) return false;
    vt::UniqueGdi<HRGN> left(::CreateRectRgnIndirect(&mine));
    if (!left) return false;
    for (HWND w = ::GetWindow(hwnd, GW_HWNDPREV); w; w = ::GetWindow(w, GW_HWNDPREV)) {
        if (!::IsWindowVisible(w) || ::IsIconic(w)) continue;
        if (::GetWindowLongW(w, GWL_EXSTYLE) & (WS_EX_LAYERED | WS_EX_TRANSPARENT)) continue;
        if (PassingOver(w)) continue;
        RECT r;
        if (!::GetWindowRect(w, &r)) continue;
        vt::UniqueGdi<HRGN> over(::CreateRectRgnIndirect(&r));
        if (over && ::CombineRgn(left.Get(), left.Get(), over.Get(), RGN_DIFF) == NULLREGION) return true;
    }
    return false;
}

}  // namespace

bool CPaintManagerUI::IsWindowShown() const { return m_hWnd && ::IsWindowVisible(m_hWnd) && !::IsIconic(m_hWnd); }

bool CPaintManagerUI::IsWindowSeen() const {
    return IsWindowShown() && !CoveredByWindowsAbove(::GetAncestor(m_hWnd, GA_ROOT));
}

bool CPaintManagerUI::SetTimer(CControlUI* pControl, UINT nTimerID, UINT uElapse) {
    if (!pControl || !m_hWnd) return false;
    for (auto& t : m_timers) {
        if (t.second.pSender == pControl && t.second.nLocalID == nTimerID)
            return ::SetTimer(m_hWnd, t.first, uElapse, nullptr) != 0;
    }
    UINT id = m_nNextTimerID++;
    if (m_nNextTimerID > 0x7FFF) m_nNextTimerID = 0x7100;
    if (!::SetTimer(m_hWnd, id, uElapse, nullptr)) return false;
    m_timers[id] = TimerInfo{pControl, nTimerID};
    return true;
}

bool CPaintManagerUI::KillTimer(CControlUI* pControl, UINT nTimerID) {
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
        if (it->second.pSender == pControl && it->second.nLocalID == nTimerID) {
            if (m_hWnd) ::KillTimer(m_hWnd, it->first);
            m_timers.erase(it);
            return true;
        }
    }
    return false;
}

void CPaintManagerUI::KillTimer(CControlUI* pControl) {
    for (auto it = m_timers.begin(); it != m_timers.end();) {
        if (it->second.pSender == pControl) {
            if (m_hWnd) ::KillTimer(m_hWnd, it->first);
            it = m_timers.erase(it);
        } else {
            ++it;
        }
    }
}

void CPaintManagerUI::RemoveAllTimers() {
    for (auto& t : m_timers)
        if (m_hWnd && ::IsWindow(m_hWnd)) ::KillTimer(m_hWnd, t.first);
    m_timers.clear();
}

void CPaintManagerUI::SetFocus(CControlUI* pControl) {
    if (pControl == m_pFocus) return;
    CControlUI* old = m_pFocus;
    m_pFocus = pControl;
    if (old) SendEvent(old, UIEVENT_KILLFOCUS);
    if (pControl && m_pFocus == pControl) {
        SendEvent(pControl, UIEVENT_SETFOCUS);
        if (m_pFocus == pControl && m_hWnd && ::GetFocus() == m_hWnd) NotifyAccessible(EVENT_OBJECT_FOCUS, pControl);
    }
}

bool CPaintManagerUI::MoveFocus(bool forward) {
    CControlUI* next = CTabOrder::Next(m_pRoot, m_pFocus, forward);
    if (!next) return false;
    SetFocus(next);
    return true;
}

CControlUI* CPaintManagerUI::GetDefaultButton() const {
    for (CControlUI* c : CTabOrder::Controls(m_pRoot))
        if (c->IsDefaultButton() && c->IsEnabled() && c->IsShownInTree()) return c;
    return nullptr;
}

void CPaintManagerUI::SetInitialFocus() {
    UpdateLayout();
    CControlUI* first = GetDefaultButton();
    if (!first) first = CTabOrder::First(m_pRoot);
    if (first) SetFocus(first);
    else NotifyAccessible(EVENT_OBJECT_FOCUS, nullptr);
}

void CPaintManagerUI::ShowFocusCues() {
    if (m_bFocusVisible || !m_hWnd) return;
    // The window system keeps the state per window and answers
    // WM_UPDATEUISTATE; the flag is set here too for systems that do not.
    ::SendMessageW(m_hWnd, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    OnKeyboardCue(MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS));
}

void CPaintManagerUI::OnKeyboardCue(WPARAM wParam) {
    if (!(HIWORD(wParam) & UISF_HIDEFOCUS)) return;
    bool visible = m_bFocusVisible;
    if (LOWORD(wParam) == UIS_CLEAR) visible = true;
    else if (LOWORD(wParam) == UIS_SET) visible = false;
    if (visible == m_bFocusVisible) return;
    m_bFocusVisible = visible;
    if (m_pFocus) m_pFocus->Invalidate();
}

bool CPaintManagerUI::IsHighContrast() { return CHighContrast::IsOn(); }

DWORD CPaintManagerUI::GetFocusRingColor() const {
    if (IsHighContrast()) return CHighContrast::SysColor(COLOR_HIGHLIGHT);
    // Light blue reads on the dark skins and on light ones alike.
    return 0xFF4DA3FF;
}

void CPaintManagerUI::SetTextLookup(CDuiString (*lookup)(LPCWSTR key)) { g_textLookup = lookup; }

CDuiString CPaintManagerUI::LookupText(LPCWSTR keyOrText) {
    if (!keyOrText || !*keyOrText) return CDuiString();
    if (g_textLookup) {
        CDuiString text = g_textLookup(keyOrText);
        if (!text.IsEmpty()) return text;
    }
    return CDuiString(keyOrText);
}

void CPaintManagerUI::AssignAccessibleIds() {
    for (CControlUI* c : CTabOrder::Controls(m_pRoot)) {
        if (m_accIds.count(c)) continue;
        m_accControls.push_back(c);
        m_accIds[c] = static_cast<LONG>(m_accControls.size());
    }
}

LONG CPaintManagerUI::GetAccessibleId(CControlUI* pControl) {
    if (!pControl) return 0;
    auto it = m_accIds.find(pControl);
    if (it == m_accIds.end()) {
        AssignAccessibleIds();
        it = m_accIds.find(pControl);
    }
    return it == m_accIds.end() ? 0 : it->second;
}

CControlUI* CPaintManagerUI::FromAccessibleId(LONG id) {
    AssignAccessibleIds();
    if (id < 1 || static_cast<size_t>(id) > m_accControls.size()) return nullptr;
    return m_accControls[static_cast<size_t>(id - 1)];
}

std::vector<CControlUI*> CPaintManagerUI::GetAccessibleChildren() {
    UpdateLayout();
    AssignAccessibleIds();
    std::vector<CControlUI*> shown;
    for (CControlUI* c : CTabOrder::Controls(m_pRoot))
        if (c->GetAccessibleRole() != 0 && c->IsShownInTree()) shown.push_back(c);
    return shown;
}

void CPaintManagerUI::NotifyAccessible(DWORD event, CControlUI* pControl) {
    if (!m_hWnd || !m_pRoot) return;
    LONG id = pControl ? GetAccessibleId(pControl) : CHILDID_SELF;
    if (pControl && id == 0) return;
    ::NotifyWinEvent(event, m_hWnd, OBJID_CLIENT, id);
}

void CPaintManagerUI::PostAccessibleAction(CControlUI* pControl) {
    LONG id = GetAccessibleId(pControl);
    if (id && m_hWnd) ::PostMessageW(m_hWnd, AccessibleActionMessage(), static_cast<WPARAM>(id), 0);
}

bool CPaintManagerUI::AddNotifier(INotifyUI* pNotifier) {
    if (!pNotifier || std::find(m_notifiers.begin(), m_notifiers.end(), pNotifier) != m_notifiers.end())
        return false;
    m_notifiers.push_back(pNotifier);
    return true;
}

bool CPaintManagerUI::RemoveNotifier(INotifyUI* pNotifier) {
    auto it = std::find(m_notifiers.begin(), m_notifiers.end(), pNotifier);
    if (it == m_notifiers.end()) return false;
    m_notifiers.erase(it);
    return true;
}

bool CPaintManagerUI::AddPreMessageFilter(IMessageFilterUI* pFilter) {
    if (!pFilter || std::find(m_preFilters.begin(), m_preFilters.end(), pFilter) != m_preFilters.end())
        return false;
    m_preFilters.push_back(pFilter);
    return true;
}

bool CPaintManagerUI::RemovePreMessageFilter(IMessageFilterUI* pFilter) {
    auto it = std::find(m_preFilters.begin(), m_preFilters.end(), pFilter);
    if (it == m_preFilters.end()) return false;
    m_preFilters.erase(it);
    return true;
}

void CPaintManagerUI::SendNotify(CControlUI* pControl, LPCWSTR type, WPARAM wParam, LPARAM lParam, bool bAsync) {
    TNotifyUI msg;
    msg.sType = type;
    msg.pSender = pControl;
    msg.wParam = wParam;
    msg.lParam = lParam;
    SendNotify(msg, bAsync);
}

void CPaintManagerUI::SendNotify(TNotifyUI& msg, bool bAsync) {
    msg.dwTimestamp = ::GetTickCount();
    if (m_hWnd) {
        ::GetCursorPos(&msg.ptMouse);
        ::ScreenToClient(m_hWnd, &msg.ptMouse);
    }
    if (bAsync) {
        m_asyncNotify.push_back(msg);
        if (m_hWnd) ::PostMessageW(m_hWnd, AsyncNotifyMessage(), 0, 0);
        return;
    }
    std::vector<INotifyUI*> notifiers = m_notifiers;  // a handler may add or remove notifiers
    for (INotifyUI* n : notifiers) n->Notify(msg);
}

void CPaintManagerUI::DrainAsyncNotify() {
    std::vector<TNotifyUI> pending;
    pending.swap(m_asyncNotify);
    for (TNotifyUI& msg : pending) {
        std::vector<INotifyUI*> notifiers = m_notifiers;
        for (INotifyUI* n : notifiers) n->Notify(msg);
    }
}

void CPaintManagerUI::TrackMouse() {
    TRACKMOUSEEVENT tme = {sizeof(tme), TME_LEAVE, m_hWnd, 0};
    m_bMouseTracking = ::TrackMouseEvent(&tme) != FALSE;
}

void CPaintManagerUI::ArmToolTip() {
    // A timer of the system's hover time per newly hot control: the
    // tracking hover of TrackMouseEvent ends once it has fired, and whether a
    // second request restarts it differs between window managers.
    if (!m_pEventHover || m_pEventHover->GetToolTip().IsEmpty()) return;
    UINT hoverMs = 0;
    if (!::SystemParametersInfoW(SPI_GETMOUSEHOVERTIME, 0, &hoverMs, 0) || hoverMs == 0) hoverMs = 400;
    ::SetTimer(m_hWnd, kToolTipTimerId, hoverMs, nullptr);
}

void CPaintManagerUI::ShowToolTip() {
    if (!m_pEventHover || m_pEventHover->GetToolTip().IsEmpty()) return;
    // The hover time can run out after the pointer has moved on but before
    // its moves have reached this window (a slow or busy machine): the tip
    // then named one control and stood where the pointer was not. It is
    // shown only for the control under the pointer now; otherwise the
    // moves still on their way decide, and the hover time starts again.
    POINT pt;
    if (!::GetCursorPos(&pt)) return;
    POINT client = pt;
    ::ScreenToClient(m_hWnd, &client);
    CControlUI* under = FindControl(client);
    if (under != m_pEventHover) {
        if (under) ArmToolTip();
        return;
    }
    if (!m_pToolTip) m_pToolTip.reset(new CToolTipWnd(m_hWnd));
    m_pToolTip->Show(m_pEventHover->GetToolTip().GetData(), pt, m_nDpi);
}

void CPaintManagerUI::HideToolTip() {
    if (m_hWnd) ::KillTimer(m_hWnd, kToolTipTimerId);
    if (m_pToolTip) m_pToolTip->Hide();
}

// A hidden or minimised window is painted whole when it is shown or
// restored, so nothing need be marked meanwhile. Building a layout marks the
// window a few times for every control, a hidden dial would mark it at every
// reading, and under Wine each mark is a round trip to the server.
void CPaintManagerUI::Invalidate() {
    if (IsWindowShown()) ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CPaintManagerUI::Invalidate(const RECT& rc) {
    if (IsWindowShown()) ::InvalidateRect(m_hWnd, &rc, FALSE);
}

bool CPaintManagerUI::PaintNow(const RECT& rc) {
    if (!IsWindowShown() || !m_pRoot || m_bUpdateNeeded || !m_offscreen) return false;
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const SIZE have = m_offscreen.Size();
    if (have.cx != client.right || have.cy != client.bottom) return false;
    RECT r;
    if (!::IntersectRect(&r, &rc, &client)) return true;
    // Clipped to what is visible of the window, as a paint would be.
    vt::WindowDc dc(m_hWnd);
    if (!dc) return false;
    PaintThroughOffscreen(dc.Get(), r);
    return true;
}

void CPaintManagerUI::PaintThroughOffscreen(HDC hdc, const RECT& r) {
    PaintTo(m_offscreen.Dc(), r);
    ::BitBlt(hdc, r.left, r.top, r.right - r.left, r.bottom - r.top, m_offscreen.Dc(), r.left, r.top, SRCCOPY);
    KeepOffscreenForAWhile();
}

void CPaintManagerUI::UpdateLayout() {
    if (!m_pRoot || !m_hWnd || !m_bUpdateNeeded) return;
    m_bUpdateNeeded = false;
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    if (rc.right <= rc.left || rc.bottom <= rc.top) {
        m_bUpdateNeeded = true;  // lay out once there is room
        return;
    }
    m_pRoot->SetPos(rc);
    // A layout change can move anything: repaint the whole window.
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
    if (!m_bFirstLayoutDone) {
        m_bFirstLayoutDone = true;
        SendNotify(m_pRoot, DUI_MSGTYPE_WINDOWINIT, 0, 0, true);
    }
}

void CPaintManagerUI::PaintTo(HDC hDC, const RECT& rcPaint) {
    UpdateLayout();
    if (!m_pRoot) return;
    int saved = ::SaveDC(hDC);
    ::IntersectClipRect(hDC, rcPaint.left, rcPaint.top, rcPaint.right, rcPaint.bottom);
    m_pRoot->DoPaint(hDC, rcPaint);
    ::RestoreDC(hDC, saved);
}

void CPaintManagerUI::SendEvent(CControlUI* pControl, int type, WPARAM wParam, LPARAM lParam, POINT pt,
                                wchar_t chKey) {
    if (!pControl) return;
    TEventUI event;
    event.Type = type;
    event.pSender = pControl;
    event.dwTimestamp = ::GetTickCount();
    event.ptMouse = pt;
    event.chKey = chKey;
    event.wParam = wParam;
    event.lParam = lParam;
    // Timer events carry no key state; asking for it costs a round trip to
    // the window system on every animation step.
    if (type != UIEVENT_TIMER) {
        event.wKeyState = static_cast<WORD>((::GetKeyState(VK_CONTROL) < 0 ? MK_CONTROL : 0) |
                                            (::GetKeyState(VK_SHIFT) < 0 ? MK_SHIFT : 0));
    }
    pControl->Event(event);
}

bool CPaintManagerUI::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
    if (!m_hWnd) return false;
    for (IMessageFilterUI* f : std::vector<IMessageFilterUI*>(m_preFilters)) {
        bool handled = false;
        LRESULT r = f->MessageHandler(uMsg, wParam, lParam, handled);
        if (handled) {
            lRes = r;
            return true;
        }
    }
    if (uMsg == AsyncNotifyMessage()) {
        DrainAsyncNotify();
        lRes = 0;
        return true;
    }
    if (uMsg == AccessibleActionMessage()) {
        CControlUI* c = FromAccessibleId(static_cast<LONG>(wParam));
        if (c && c->IsShownInTree()) c->Activate();  // may close the window: nothing after this
        lRes = 0;
        return true;
    }
    const POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (uMsg) {
        case WM_ERASEBKGND:
            lRes = 1;
            return true;
        case WM_PAINT: {
            UpdateLayout();
            PAINTSTRUCT ps;
            HDC hdc = ::BeginPaint(m_hWnd, &ps);
            RECT rcClient;
            ::GetClientRect(m_hWnd, &rcClient);
            SIZE need = {rcClient.right, rcClient.bottom};
            if (need.cx > 0 && need.cy > 0) {
                SIZE have = m_offscreen.Size();
                if (!m_offscreen || have.cx != need.cx || have.cy != need.cy) m_offscreen.Create(hdc, need.cx, need.cy);
                if (m_offscreen) {
                    PaintThroughOffscreen(hdc, ps.rcPaint);
                } else {
                    PaintTo(hdc, ps.rcPaint);
                }
            }
            ::EndPaint(m_hWnd, &ps);
            lRes = 0;
            return true;
        }
        case WM_PRINTCLIENT: {
            RECT rcClient;
            ::GetClientRect(m_hWnd, &rcClient);
            PaintTo(reinterpret_cast<HDC>(wParam), rcClient);
            lRes = 0;
            return true;
        }
        case WM_SHOWWINDOW:
            // Nothing is painted while hidden, and showing repaints it whole.
            if (!wParam) {
                ReleaseOffscreen();
                HideToolTip();
            }
            return false;
        case WM_SIZE:
            if (wParam == SIZE_MINIMIZED) ReleaseOffscreen();
            m_bUpdateNeeded = true;
            Invalidate();
            return false;
        case WM_TIMER: {
            if (wParam == kOffscreenTimerId) {
                ReleaseIdleOffscreen();
                lRes = 0;
                return true;
            }
            if (wParam == kToolTipTimerId) {
                ::KillTimer(m_hWnd, kToolTipTimerId);
                if (!m_pEventClick) ShowToolTip();
                lRes = 0;
                return true;
            }
            auto it = m_timers.find(static_cast<UINT>(wParam));
            if (it == m_timers.end()) return false;
            SendEvent(it->second.pSender, UIEVENT_TIMER, it->second.nLocalID, lParam);
            lRes = 0;
            return true;
        }
        case WM_MOUSEMOVE: {
            if (!m_bMouseTracking) TrackMouse();
            CControlUI* hover = FindControl(pt);
            if (hover != m_pEventHover) {
                CControlUI* old = m_pEventHover;
                m_pEventHover = hover;
                HideToolTip();
                ArmToolTip();  // the hover time starts again for the new control
                if (old) SendEvent(old, UIEVENT_MOUSELEAVE, wParam, lParam, pt);
                if (hover && m_pEventHover == hover) SendEvent(hover, UIEVENT_MOUSEENTER, wParam, lParam, pt);
            }
            if (m_pEventClick) SendEvent(m_pEventClick, UIEVENT_MOUSEMOVE, wParam, lParam, pt);
            else if (m_pEventHover) SendEvent(m_pEventHover, UIEVENT_MOUSEMOVE, wParam, lParam, pt);
            return false;
        }
        case WM_MOUSELEAVE: {
            m_bMouseTracking = false;
            HideToolTip();
            CControlUI* old = m_pEventHover;
            m_pEventHover = nullptr;
            if (old) SendEvent(old, UIEVENT_MOUSELEAVE, wParam, lParam, pt);
            return false;
        }
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            HideToolTip();
            ::SetFocus(m_hWnd);
            CControlUI* c = FindControl(pt);
            if (!c || !c->IsEnabled()) {
                SetFocus(nullptr);
                return false;
            }
            SetFocus(c->IsKeyboardEnabled() ? c : nullptr);
            m_pEventClick = c;
            ::SetCapture(m_hWnd);
            SendEvent(c, uMsg == WM_LBUTTONDOWN ? UIEVENT_BUTTONDOWN : UIEVENT_DBLCLICK, wParam, lParam, pt);
            return false;
        }
        case WM_LBUTTONUP: {
            CControlUI* c = m_pEventClick;
            m_pEventClick = nullptr;
            if (::GetCapture() == m_hWnd) ::ReleaseCapture();
            if (c) SendEvent(c, UIEVENT_BUTTONUP, wParam, lParam, pt);
            return false;
        }
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lParam) != m_hWnd && m_pEventClick) {
                CControlUI* c = m_pEventClick;
                m_pEventClick = nullptr;
                POINT away = {-1, -1};
                SendEvent(c, UIEVENT_BUTTONUP, 0, 0, away);  // released elsewhere: no click
            }
            return false;
        case WM_RBUTTONDOWN: {
            HideToolTip();
            CControlUI* c = FindControl(pt);
            if (c && c->IsEnabled()) SendEvent(c, UIEVENT_RBUTTONDOWN, wParam, lParam, pt);
            return false;
        }
        case WM_SETCURSOR: {
            if (LOWORD(lParam) != HTCLIENT) return false;
            POINT cur;
            ::GetCursorPos(&cur);
            ::ScreenToClient(m_hWnd, &cur);
            CControlUI* c = FindControl(cur);
            if (!c) return false;
            SendEvent(c, UIEVENT_SETCURSOR, wParam, lParam, cur);
            lRes = TRUE;
            return true;
        }
        case WM_UPDATEUISTATE:
            OnKeyboardCue(wParam);
            return false;
        case WM_ACTIVATE:  // the ring comes and goes with the activation
            if (m_pFocus) m_pFocus->Invalidate();
            return false;
        case WM_SETFOCUS:
            NotifyAccessible(EVENT_OBJECT_FOCUS, m_pFocus);
            return false;
        case WM_KEYDOWN:
            HideToolTip();
            ShowFocusCues();
            if (wParam == VK_TAB && ::GetKeyState(VK_CONTROL) >= 0 && ::GetKeyState(VK_MENU) >= 0) {
                MoveFocus(::GetKeyState(VK_SHIFT) >= 0);
                lRes = 0;
                return true;
            }
            if (!m_pFocus) return false;
            SendEvent(m_pFocus, UIEVENT_KEYDOWN, wParam, lParam, POINT{0, 0}, static_cast<wchar_t>(wParam));
            lRes = 0;
            return true;
        case WM_KEYUP:
        case WM_CHAR:
            if (uMsg == WM_CHAR && wParam == L'\t') {
                lRes = 0;
                return true;
            }
            if (!m_pFocus) return false;
            SendEvent(m_pFocus, uMsg == WM_KEYDOWN ? UIEVENT_KEYDOWN : uMsg == WM_KEYUP ? UIEVENT_KEYUP : UIEVENT_CHAR,
                      wParam, lParam, POINT{0, 0}, static_cast<wchar_t>(wParam));
            lRes = 0;
            return true;
        case WM_DESTROY:
            RemoveAllTimers();
            m_pToolTip.reset();
            return false;
        default:
            return false;
    }
}

}  // namespace DuiLib
