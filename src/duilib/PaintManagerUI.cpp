#include "duilib/PaintManagerUI.h"

#include <objbase.h>

#include <algorithm>
#include "duilib/GdiplusHeaders.h"

#include "duilib/ControlUI.h"
#include "duilib/GdiplusSession.h"
#include "duilib/HighContrast.h"
#include "duilib/DuiLog.h"

namespace DuiLib {

namespace {
HINSTANCE g_hInstance = nullptr;
CDuiString& ResourcePath() {
    static CDuiString s_path;
    return s_path;
}
}  // namespace

UINT CPaintManagerUI::AsyncNotifyMessage() {
    static UINT s_msg = ::RegisterWindowMessageW(L"DuiLib.AsyncNotify");
    return s_msg;
}

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
    m_focus.Init();
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
    m_painter.NeedUpdate();
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
    m_focus.NewTree();
    m_dispatch.NewTree();
    pRoot->SetManager(this, nullptr);
    m_painter.NewTree();
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
    m_access.Forget(pControl);
    m_focus.Forget(pControl);
    m_dispatch.Forget(pControl);
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

bool CPaintManagerUI::FireTimer(WPARAM id, LPARAM lParam) {
    auto it = m_timers.find(static_cast<UINT>(id));
    if (it == m_timers.end()) return false;
    SendEvent(it->second.pSender, UIEVENT_TIMER, it->second.nLocalID, lParam);
    return true;
}

bool CPaintManagerUI::IsHighContrast() { return CHighContrast::IsOn(); }

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

}  // namespace DuiLib
