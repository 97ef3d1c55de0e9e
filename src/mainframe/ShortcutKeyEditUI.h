#pragma once
// The settings dialog's hot-key field: an edit whose keys are captured by
// the dialog, which writes the one character itself.
#include <windows.h>

#include "duilib/EditUI.h"

class CShortcutKeyEditUI : public DuiLib::CEditUI {
public:
    ~CShortcutKeyEditUI() override;
    // A hot-key field to a screen reader; its value is the whole combination.
    DWORD GetAccessibleRole() const override;
    DuiLib::CDuiString GetAccessibleValue() const override;
    // Kept for layout compatibility with the field's other hosts; inert.
    virtual LRESULT OnHotKeyInput(UINT, WPARAM, LPARAM, BOOL&) { return 0; }
    virtual LRESULT OnHotKeyCommit(UINT, WPARAM, LPARAM, BOOL&) { return 0; }
};
