#pragma once
// The window's factory for control elements the toolkit does not know.
#include <windows.h>

namespace DuiLib {

class CControlUI;

class IDialogBuilderCallback {
public:
    // Returns a new control (the layout takes ownership) or nullptr.
    virtual CControlUI* CreateControl(LPCWSTR pstrClass) { return CreateCustomControl(pstrClass); }
    virtual CControlUI* CreateCustomControl(LPCWSTR pstrClass) {
        (void)pstrClass;
        return nullptr;
    }

protected:
    ~IDialogBuilderCallback() = default;
};

}  // namespace DuiLib
