#include "duilib/MarkupNode.h"

namespace DuiLib {

LPCWSTR CMarkupNode::GetAttribute(LPCWSTR attrName) const {
    for (const Attribute& a : attributes)
        if (a.name == attrName) return a.value.GetData();
    return nullptr;
}

}  // namespace DuiLib
