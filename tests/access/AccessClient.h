#pragma once
// A screen reader's view of another process's window: its client object
// through AccessibleObjectFromWindow (a proxy across the process boundary),
// read child by child.
#include <windows.h>
#include <oleacc.h>

#include <string>
#include <vector>

#include "base/Win32Owners.h"

struct AccChild {
    long id = 0;
    std::wstring name, value, description, shortcut, action;
    long role = 0, state = 0;
    RECT rect = {0, 0, 0, 0};  // screen pixels
};

class CAccessClient {
public:
    explicit CAccessClient(HWND hwnd);
    bool IsConnected() const { return static_cast<bool>(m_acc); }
    IAccessible* Get() const { return m_acc.Get(); }
    // The shown children, in the order the window gives them.
    std::vector<AccChild> Children() const;
    // The first child with that name and role; id 0 when there is none.
    AccChild Find(const std::wstring& name, long role) const;
    AccChild Read(long id) const;
    // The child with the focus (0: none, or the window itself).
    long Focus() const;
    // The result of one call on a child, for the calls a closed window must refuse.
    HRESULT NameResult(long id) const;
    HRESULT DoDefaultAction(long id) const;
    // MinGW's x64 oleacc import library resolves IID_IAccessible to code.
    static const IID& Iid();

private:
    vt::ComPtr<IAccessible> m_acc;
};
