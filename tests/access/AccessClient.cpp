#include "access/AccessClient.h"

namespace {

VARIANT Child(long id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

std::wstring Take(BSTR text) {
    std::wstring s = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return s;
}

}  // namespace

const IID& CAccessClient::Iid() {
    static const IID iid = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
    return iid;
}

CAccessClient::CAccessClient(HWND hwnd) {
    if (FAILED(AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), Iid(),
                                          reinterpret_cast<void**>(m_acc.Put()))))
        m_acc.Reset();
}

AccChild CAccessClient::Read(long id) const {
    AccChild c;
    c.id = id;
    if (!m_acc) return c;
    VARIANT v = Child(id);
    BSTR text = nullptr;
    if (m_acc->get_accName(v, &text) == S_OK) c.name = Take(text);
    text = nullptr;
    if (m_acc->get_accValue(v, &text) == S_OK) c.value = Take(text);
    text = nullptr;
    if (m_acc->get_accDescription(v, &text) == S_OK) c.description = Take(text);
    text = nullptr;
    if (m_acc->get_accKeyboardShortcut(v, &text) == S_OK) c.shortcut = Take(text);
    text = nullptr;
    if (m_acc->get_accDefaultAction(v, &text) == S_OK) c.action = Take(text);
    VARIANT out;
    VariantInit(&out);
    if (m_acc->get_accRole(v, &out) == S_OK && out.vt == VT_I4) c.role = out.lVal;
    VariantClear(&out);
    if (m_acc->get_accState(v, &out) == S_OK && out.vt == VT_I4) c.state = out.lVal;
    VariantClear(&out);
    long x = 0, y = 0, w = 0, h = 0;
    if (m_acc->accLocation(&x, &y, &w, &h, v) == S_OK) c.rect = RECT{x, y, x + w, y + h};
    return c;
}

std::vector<AccChild> CAccessClient::Children() const {
    std::vector<AccChild> out;
    if (!m_acc) return out;
    long count = 0;
    if (FAILED(m_acc->get_accChildCount(&count)) || count <= 0) return out;
    std::vector<VARIANT> ids(static_cast<size_t>(count));
    long got = 0;
    if (FAILED(AccessibleChildren(m_acc.Get(), 0, count, ids.data(), &got))) return out;
    for (long i = 0; i < got; ++i) {
        if (ids[static_cast<size_t>(i)].vt == VT_I4) out.push_back(Read(ids[static_cast<size_t>(i)].lVal));
        VariantClear(&ids[static_cast<size_t>(i)]);
    }
    return out;
}

AccChild CAccessClient::Find(const std::wstring& name, long role) const {
    for (const AccChild& c : Children())
        if (c.name == name && c.role == role) return c;
    return AccChild();
}

long CAccessClient::Focus() const {
    if (!m_acc) return 0;
    VARIANT v;
    VariantInit(&v);
    long id = 0;
    if (m_acc->get_accFocus(&v) == S_OK && v.vt == VT_I4) id = v.lVal;
    VariantClear(&v);
    return id;
}

HRESULT CAccessClient::NameResult(long id) const {
    BSTR text = nullptr;
    HRESULT hr = m_acc->get_accName(Child(id), &text);
    SysFreeString(text);
    return hr;
}

HRESULT CAccessClient::DoDefaultAction(long id) const { return m_acc->accDoDefaultAction(Child(id)); }
