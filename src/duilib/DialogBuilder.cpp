#include "duilib/DialogBuilder.h"

#include <cstdarg>
#include <string>

#include "duilib/AnimationUI.h"
#include "duilib/AttrParse.h"
#include "duilib/ButtonUI.h"
#include "duilib/ContainerUI.h"
#include "duilib/DialogBuilderCallback.h"
#include "duilib/EditUI.h"
#include "duilib/ImageDesc.h"
#include "duilib/LabelUI.h"
#include "duilib/ListLabelElementUI.h"
#include "duilib/ListUI.h"
#include "duilib/OptionUI.h"
#include "duilib/PaintManagerUI.h"
#include "duilib/ProgressUI.h"
#include "duilib/SkinMarkup.h"
#include "duilib/StackLayoutUI.h"
#include "duilib/TabLayoutUI.h"
#include "duilib/TextUI.h"
#include "duilib/DuiLog.h"

namespace DuiLib {

namespace {
CDuiString g_fontFace;
}  // namespace

void CDialogBuilder::SetFontFace(LPCWSTR face) { g_fontFace = face ? face : L""; }

CControlUI* CDialogBuilder::CreateBuiltinControl(LPCWSTR c) {
    const CDuiString n(c);
    if (n == L"Control") return new CControlUI;
    if (n == L"Container") return new CContainerUI;
    if (n == L"VerticalLayout") return new CStackLayoutUI(false);
    if (n == L"HorizontalLayout") return new CStackLayoutUI(true);
    if (n == L"TabLayout") return new CTabLayoutUI;
    if (n == L"Label") return new CLabelUI;
    if (n == L"Text") return new CTextUI;
    if (n == L"Button") return new CButtonUI;
    if (n == L"Option" || n == L"CheckBox") return new COptionUI;
    if (n == L"Edit") return new CEditUI;
    if (n == L"Progress") return new CProgressUI;
    if (n == L"Animation") return new CAnimationUI;
    if (n == L"List") return new CListUI;
    if (n == L"ListLabelElement") return new CListLabelElementUI;
    return nullptr;
}

CControlUI* CDialogBuilder::Create(LPCWSTR skinFile, IDialogBuilderCallback* pCallback, CPaintManagerUI* pManager) {
    m_sFile = skinFile;
    m_pCallback = pCallback;
    m_pManager = pManager;
    m_problems.clear();
    std::vector<BYTE> data;
    if (CPaintManagerUI::LoadFileData(skinFile, data) == 0) {
        Problem(0, L"cannot read the file");
        WriteLog();
        return nullptr;
    }
    CControlUI* root = Build(data.data(), data.size());
    WriteLog();
    return root;
}

CControlUI* CDialogBuilder::CreateFromText(LPCWSTR displayName, const char* utf8, IDialogBuilderCallback* pCallback,
                                           CPaintManagerUI* pManager) {
    m_sFile = displayName;
    m_pCallback = pCallback;
    m_pManager = pManager;
    m_problems.clear();
    CControlUI* root = Build(reinterpret_cast<const BYTE*>(utf8), strlen(utf8));
    WriteLog();
    return root;
}

CControlUI* CDialogBuilder::Build(const BYTE* data, size_t size) {
    if (m_pManager) m_pManager->SetSkinName(m_sFile);
    CSkinMarkup markup;
    bool usable = markup.LoadFromMemory(data, size);
    if (markup.HasError()) Problem(markup.ErrorLine(), L"%s", markup.Error().GetData());
    if (!usable || !markup.Root()) return nullptr;
    const CMarkupNode& root = *markup.Root();
    if (root.name != L"Window") {
        Problem(root.line, L"the root element is <%s>, not <Window>", root.name.GetData());
        return BuildControl(root);
    }
    ApplyWindow(root);
    // Every control element under <Window> goes into one tree; with more than
    // one they share a plain container.
    std::vector<CControlUI*> tops;
    for (const auto& child : root.children) {
        const CDuiString& n = child->name;
        if (n == L"Font" || n == L"Default" || n == L"Image") continue;
        if (CControlUI* c = BuildControl(*child)) tops.push_back(c);
    }
    if (tops.empty()) return nullptr;
    if (tops.size() == 1) return tops.front();
    auto* holder = new CContainerUI;
    for (CControlUI* c : tops) holder->Add(c);
    return holder;
}

void CDialogBuilder::ApplyWindow(const CMarkupNode& node) {
    for (const auto& a : node.attributes) {
        const CDuiString& n = a.name;
        bool ok = true;
        if (n == L"size" || n == L"mininfo" || n == L"maxinfo") {
            SIZE sz = {0, 0};
            ok = CAttrParse::Size(n, a.value, sz);
            if (ok && (sz.cx < 0 || sz.cy < 0)) {
                CAttrParse::SetError(L"negative size '%s' for attribute '%s'", a.value.GetData(), n.GetData());
                ok = false;
            }
            if (ok && m_pManager) {
                if (n == L"size") m_pManager->SetInitSize(sz.cx, sz.cy);
                else if (n == L"mininfo") m_pManager->SetMinInfo(sz.cx, sz.cy);
                else m_pManager->SetMaxInfo(sz.cx, sz.cy);
            }
        } else if (n == L"caption" || n == L"sizebox") {
            RECT rc = {0, 0, 0, 0};
            ok = CAttrParse::Rect(n, a.value, rc);
            if (ok && m_pManager) {
                if (n == L"caption") m_pManager->SetCaptionRect(rc);
                else m_pManager->SetSizeBox(rc);
            }
        } else {
            CAttrParse::SetError(L"unknown attribute '%s' on <Window>", n.GetData());
            ok = false;
        }
        if (!ok) Problem(a.line, L"%s", CAttrParse::TakeError().GetData());
    }
    for (const auto& child : node.children) {
        if (child->name == L"Font") {
            int id = -1, size = 12;
            bool bold = false, underline = false, italic = false, isDefault = false, ok = true;
            CDuiString face = L"Tahoma";
            for (const auto& a : child->attributes) {
                const CDuiString& n = a.name;
                bool good = true;
                if (n == L"id") good = CAttrParse::Int(n, a.value, id);
                else if (n == L"name") face = a.value;
                else if (n == L"size") good = CAttrParse::Int(n, a.value, size) && size > 0 && size < 500;
                else if (n == L"bold") good = CAttrParse::Bool(n, a.value, bold);
                else if (n == L"underline") good = CAttrParse::Bool(n, a.value, underline);
                else if (n == L"italic") good = CAttrParse::Bool(n, a.value, italic);
                else if (n == L"default") good = CAttrParse::Bool(n, a.value, isDefault);
                else {
                    CAttrParse::SetError(L"unknown attribute '%s' on <Font>", n.GetData());
                    good = false;
                }
                if (!good) {
                    CDuiString e = CAttrParse::TakeError();
                    Problem(a.line, L"%s", e.IsEmpty() ? L"bad font size" : e.GetData());
                    ok = false;
                }
            }
            if (!g_fontFace.IsEmpty()) face = g_fontFace;
            if (id < 0) Problem(child->line, L"<Font> without an id");
            else if (ok && m_pManager) m_pManager->AddFont(id, face, size, bold, underline, italic, isDefault);
        } else if (child->name == L"Default") {
            LPCWSTR name = child->GetAttribute(L"name");
            LPCWSTR value = child->GetAttribute(L"value");
            if (!name || !value) Problem(child->line, L"<Default> needs name and value");
            else if (m_pManager) m_pManager->AddDefaultAttributeList(name, value);
        }
    }
}

CControlUI* CDialogBuilder::BuildControl(const CMarkupNode& node) {
    CControlUI* control = CreateBuiltinControl(node.name);
    if (!control && m_pCallback) control = m_pCallback->CreateControl(node.name);
    if (!control) {
        Problem(node.line, L"unknown element <%s> (left out)", node.name.GetData());
        return nullptr;
    }
    control->SetManager(m_pManager, nullptr);
    ApplyAttributes(node, control);
    BuildChildren(node, control);
    return control;
}

void CDialogBuilder::BuildChildren(const CMarkupNode& node, CControlUI* parent) {
    if (node.children.empty()) return;
    auto* container = static_cast<CContainerUI*>(parent->GetInterface(L"Container"));
    if (!container) {
        Problem(node.children.front()->line, L"<%s> cannot hold child elements (left out)", node.name.GetData());
        return;
    }
    for (const auto& child : node.children) {
        if (CControlUI* c = BuildControl(*child)) container->Add(c);
    }
}

void CDialogBuilder::ApplyAttributes(const CMarkupNode& node, CControlUI* control) {
    if (m_pManager) {
        if (LPCWSTR defaults = m_pManager->GetDefaultAttributeList(node.name)) {
            if (!control->ApplyAttributeList(defaults))
                Problem(node.line, L"default attributes of <%s>: %s", node.name.GetData(),
                        CAttrParse::TakeError().GetData());
        }
    }
    for (const auto& a : node.attributes) {
        CAttrParse::TakeError();
        if (!control->SetAttribute(a.name, a.value)) {
            CDuiString e = CAttrParse::TakeError();
            if (e.IsEmpty()) e.Format(L"unknown attribute '%s' on <%s>", a.name.GetData(), node.name.GetData());
            Problem(a.line, L"%s", e.GetData());
            continue;
        }
        int len = a.name.GetLength();
        if (len >= 5 && a.name.Right(5) == L"image" && !a.value.IsEmpty()) CheckImage(a.value, a.line);
    }
}

void CDialogBuilder::CheckImage(LPCWSTR value, int line) {
    CImageDesc desc;
    if (!desc.Parse(value)) return;
    CDuiString path = CPaintManagerUI::ResolvePath(desc.sFile);
    if (::GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) return;
    Problem(line, L"image file '%s' not found", desc.sFile.GetData());
    if (m_pManager) m_pManager->MarkImageReported(desc.sFile);
}

void CDialogBuilder::Problem(int line, LPCWSTR format, ...) {
    CDuiString text;
    va_list args;
    va_start(args, format);
    text.FormatV(format, args);
    va_end(args);
    CDuiString entry;
    if (line > 0) entry.Format(L"line %d: %s", line, text.GetData());
    else entry = text;
    m_problems.push_back(entry);
}

void CDialogBuilder::WriteLog() {
    if (m_problems.empty()) return;
    CDuiString more;
    if (m_problems.size() > 1) more.Format(L" (and %u more problems)", static_cast<unsigned>(m_problems.size() - 1));
    DUI_LOG("skin \"%s\" %s%s", LogText(m_sFile).c_str(), LogText(m_problems.front()).c_str(), LogText(more).c_str());
}

}  // namespace DuiLib
