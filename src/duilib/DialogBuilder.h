#pragma once
// Builds a control tree from a skin file. Problems (a file that is not
// well-formed, an unknown element or attribute, a bad value, a missing image
// file) leave out only the broken part and are written as ONE log line per
// file, naming the file, the line and the first problem.
#include <vector>

#include "duilib/DuiString.h"

namespace DuiLib {

class CControlUI;
class CMarkupNode;
class CPaintManagerUI;
class IDialogBuilderCallback;

class CDialogBuilder {
public:
    // skinFile is relative to the resource path. Returns the root control
    // (the caller owns it) or nullptr when nothing could be built.
    CControlUI* Create(LPCWSTR skinFile, IDialogBuilderCallback* pCallback, CPaintManagerUI* pManager);

    // The same from a text in memory (for tests and generated layouts).
    CControlUI* CreateFromText(LPCWSTR displayName, const char* utf8, IDialogBuilderCallback* pCallback,
                               CPaintManagerUI* pManager);

    // What went wrong, in order ("line 12: unknown attribute ...").
    const std::vector<CDuiString>& Problems() const { return m_problems; }

    static CControlUI* CreateBuiltinControl(LPCWSTR className);

    // One face for every font of every skin from now on, whatever the skins
    // name: the language decides it, since a face without that language's
    // characters leaves the system to pick another per glyph. Empty: the skins'.
    static void SetFontFace(LPCWSTR face);

private:
    CControlUI* Build(const BYTE* data, size_t size);
    void ApplyWindow(const CMarkupNode& node);
    CControlUI* BuildControl(const CMarkupNode& node);
    void BuildChildren(const CMarkupNode& node, CControlUI* parent);
    void ApplyAttributes(const CMarkupNode& node, CControlUI* control);
    void CheckImage(LPCWSTR value, int line);
    void Problem(int line, LPCWSTR format, ...);
    void WriteLog();

    CDuiString m_sFile;
    IDialogBuilderCallback* m_pCallback = nullptr;
    CPaintManagerUI* m_pManager = nullptr;
    std::vector<CDuiString> m_problems;
};

}  // namespace DuiLib
