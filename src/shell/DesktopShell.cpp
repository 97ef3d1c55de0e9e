#include "shell/DesktopShell.h"

#include <exdisp.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include "base/Win32Owners.h"

namespace {

// A BSTR variant that frees itself.
class BstrVariant {
public:
    explicit BstrVariant(const wchar_t* text) {
        VariantInit(&m_v);
        m_v.vt = VT_BSTR;
        m_v.bstrVal = SysAllocString(text);
    }
    ~BstrVariant() { VariantClear(&m_v); }
    BstrVariant(const BstrVariant&) = delete;
    BstrVariant& operator=(const BstrVariant&) = delete;
    const VARIANT& Get() const { return m_v; }
    bool Valid() const { return m_v.bstrVal != nullptr; }

private:
    VARIANT m_v;
};

}  // namespace

HRESULT CDesktopShell::Open(const std::wstring& document, const char** step) {
    *step = "ShellWindows";
    vt::ComPtr<IShellWindows> windows;
    HRESULT hr = CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                  reinterpret_cast<void**>(windows.Put()));
    if (FAILED(hr)) return hr;

    *step = "FindWindowSW";
    VARIANT none;
    VariantInit(&none);
    long desktopWindow = 0;
    vt::ComPtr<IDispatch> desktop;
    hr = windows->FindWindowSW(&none, &none, SWC_DESKTOP, &desktopWindow, SWFO_NEEDDISPATCH, desktop.Put());
    if (hr != S_OK || !desktop) return FAILED(hr) ? hr : E_FAIL;

    *step = "IServiceProvider";
    vt::ComPtr<IServiceProvider> services;
    hr = desktop->QueryInterface(IID_IServiceProvider, reinterpret_cast<void**>(services.Put()));
    if (FAILED(hr)) return hr;

    *step = "IShellBrowser";
    vt::ComPtr<IShellBrowser> browser;
    hr = services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, reinterpret_cast<void**>(browser.Put()));
    if (FAILED(hr)) return hr;

    *step = "IShellView";
    vt::ComPtr<IShellView> view;
    hr = browser->QueryActiveShellView(view.Put());
    if (FAILED(hr) || !view) return FAILED(hr) ? hr : E_FAIL;

    *step = "IShellFolderViewDual";
    vt::ComPtr<IDispatch> background;
    hr = view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, reinterpret_cast<void**>(background.Put()));
    if (FAILED(hr)) return hr;
    vt::ComPtr<IShellFolderViewDual> folderView;
    hr = background->QueryInterface(IID_IShellFolderViewDual, reinterpret_cast<void**>(folderView.Put()));
    if (FAILED(hr)) return hr;

    *step = "IShellDispatch2";
    vt::ComPtr<IDispatch> application;
    hr = folderView->get_Application(application.Put());
    if (FAILED(hr) || !application) return FAILED(hr) ? hr : E_FAIL;
    vt::ComPtr<IShellDispatch2> shell;
    hr = application->QueryInterface(IID_IShellDispatch2, reinterpret_cast<void**>(shell.Put()));
    if (FAILED(hr)) return hr;

    *step = "ShellExecute";
    const BstrVariant file(document.c_str());
    const BstrVariant verb(L"open");
    VARIANT show;
    VariantInit(&show);
    show.vt = VT_I4;
    show.lVal = SW_SHOWNORMAL;
    if (!file.Valid() || !verb.Valid()) return E_OUTOFMEMORY;
    hr = shell->ShellExecute(file.Get().bstrVal, none, none, verb.Get(), show);
    return hr;
}
