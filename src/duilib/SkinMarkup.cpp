#include "duilib/SkinMarkup.h"

#include <objbase.h>
#include <shlwapi.h>
#include <xmllite.h>

#include "base/SystemLibrary.h"
#include "base/Win32Owners.h"

namespace DuiLib {

namespace {

// xmllite.dll has no import library in MinGW: bind it once at run time,
// from the system folder only (a copy beside the program is not taken).
typedef HRESULT(WINAPI* CreateXmlReaderFn)(REFIID, void**, IMalloc*);

CreateXmlReaderFn XmlReaderFactory() {
    static vt::CSystemLibrary s_library(L"xmllite.dll");
    static CreateXmlReaderFn s_fn = s_library.Proc<CreateXmlReaderFn>("CreateXmlReader");
    return s_fn;
}

const IID kIidXmlReader = {0x7279fc81, 0x709d, 0x4095, {0xb6, 0x3d, 0x69, 0xfe, 0x4b, 0x0d, 0x90, 0x30}};

LPCWSTR DescribeXmlError(HRESULT hr) {
    switch (static_cast<unsigned long>(hr)) {
        case 0xC00CEE01: return L"unexpected end of input";
        case 0xC00CEE02: case 0xC00CEE03: case 0xC00CEE04: return L"bad text encoding";
        case 0xC00CEE21: case 0xC00CEE22: case 0xC00CEE24: return L"bad character in markup";
        case 0xC00CEE2B: return L"unclosed quote";
        case 0xC00CEE61: return L"unclosed element";
        case 0xC00CEE5B: return L"mismatched end tag";
        default: return L"not well-formed XML";
    }
}

}  // namespace

bool CSkinMarkup::LoadFromMemory(const BYTE* data, size_t size) {
    m_root.reset();
    m_errorLine = 0;
    m_error.Empty();
    CreateXmlReaderFn create = XmlReaderFactory();
    if (!create) {
        m_error = L"xmllite.dll is not available";
        return false;
    }
    vt::ComPtr<IStream> stream;
    *stream.Put() = ::SHCreateMemStream(data, static_cast<UINT>(size));
    vt::ComPtr<IXmlReader> reader;
    if (!stream || FAILED(create(kIidXmlReader, reinterpret_cast<void**>(reader.Put()), nullptr)) ||
        FAILED(reader->SetInput(stream.Get()))) {
        m_error = L"cannot start the XML reader";
        return false;
    }
    reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit);

    std::vector<CMarkupNode*> open;
    size_t skipped = 0;  // open elements below the depth limit
    XmlNodeType type;
    HRESULT hr;
    // Some readers keep answering at the cut end of a truncated file without
    // moving on: a reader that stands still is taken as the end of the input.
    UINT lastLine = 0, lastColumn = 0;
    int stuck = 0;
    bool cutShort = false;
    while ((hr = reader->Read(&type)) == S_OK) {
        UINT line = 0, column = 0;
        reader->GetLineNumber(&line);
        reader->GetLinePosition(&column);
        if (type == XmlNodeType_None || (line == lastLine && column == lastColumn && ++stuck > 16)) {
            cutShort = true;
            break;
        }
        if (line != lastLine || column != lastColumn) stuck = 0;
        lastLine = line;
        lastColumn = column;
        if (type == XmlNodeType_Element && (skipped > 0 || open.size() >= kMaxDepth)) {
            if (skipped == 0 && m_error.IsEmpty()) {
                m_errorLine = line ? static_cast<int>(line) : 1;
                m_error.Format(L"elements nested deeper than %u levels (left out)", static_cast<unsigned>(kMaxDepth));
            }
            if (!reader->IsEmptyElement()) ++skipped;
        } else if (type == XmlNodeType_Element) {
            auto node = std::make_unique<CMarkupNode>();
            const wchar_t* text = nullptr;
            UINT line = 0;
            reader->GetLocalName(&text, nullptr);
            reader->GetLineNumber(&line);
            node->name = text;
            node->line = static_cast<int>(line);
            bool empty = reader->IsEmptyElement() != FALSE;
            for (HRESULT a = reader->MoveToFirstAttribute(); a == S_OK; a = reader->MoveToNextAttribute()) {
                const wchar_t* an = nullptr;
                const wchar_t* av = nullptr;
                UINT aline = 0;
                reader->GetLocalName(&an, nullptr);
                reader->GetValue(&av, nullptr);
                reader->GetLineNumber(&aline);
                node->attributes.push_back({CDuiString(an), CDuiString(av), static_cast<int>(aline)});
            }
            CMarkupNode* raw = node.get();
            if (open.empty()) {
                if (m_root) break;  // a second root: the reader reports it next
                m_root = std::move(node);
            } else {
                open.back()->children.push_back(std::move(node));
            }
            if (!empty) open.push_back(raw);
        } else if (type == XmlNodeType_EndElement) {
            if (skipped > 0) --skipped;
            else if (!open.empty()) open.pop_back();
        }
    }
    if (!FAILED(hr) && (cutShort || !open.empty() || skipped > 0)) {
        m_errorLine = lastLine ? static_cast<int>(lastLine) : 1;
        m_error = L"unexpected end of input (unclosed element)";
    } else if (FAILED(hr)) {
        UINT line = 0, column = 0;
        reader->GetLineNumber(&line);
        reader->GetLinePosition(&column);
        m_errorLine = line ? static_cast<int>(line) : 1;
        m_error.Format(L"%s (0x%08lX, column %u)", DescribeXmlError(hr), static_cast<unsigned long>(hr), column);
    }
    if (!m_root) {
        if (m_error.IsEmpty()) {
            m_error = L"no root element";
            m_errorLine = 1;
        }
        return false;
    }
    return true;
}

}  // namespace DuiLib
