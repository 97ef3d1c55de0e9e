#pragma once
// Reads a skin file with XmlLite into a tree of CMarkupNode. A file that is
// not well-formed keeps the elements read before the fault, so the window
// can still come up without the broken part.
#include <memory>
#include <vector>

#include "duilib/MarkupNode.h"

namespace DuiLib {

class CSkinMarkup {
public:
    // Elements nested deeper than this are left out with their content: the
    // tree is built, laid out and freed recursively, and a hostile file must
    // not run those out of stack. Real layouts stay within a dozen levels.
    static constexpr size_t kMaxDepth = 64;

    // False when nothing usable was read (missing file, no root element).
    // A parse fault after the root began still returns true with HasError().
    bool LoadFromMemory(const BYTE* data, size_t size);

    const CMarkupNode* Root() const { return m_root.get(); }
    bool HasError() const { return m_errorLine != 0 || !m_error.IsEmpty(); }
    int ErrorLine() const { return m_errorLine; }
    const CDuiString& Error() const { return m_error; }

private:
    std::unique_ptr<CMarkupNode> m_root;
    int m_errorLine = 0;
    CDuiString m_error;
};

}  // namespace DuiLib
