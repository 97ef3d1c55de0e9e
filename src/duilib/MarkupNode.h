#pragma once
// One element of a skin file, with its attributes and the line it is on.
#include <memory>
#include <vector>

#include "duilib/DuiString.h"

namespace DuiLib {

class CMarkupNode {
public:
    struct Attribute {
        CDuiString name;
        CDuiString value;
        int line;
    };

    CDuiString name;
    int line = 0;
    std::vector<Attribute> attributes;
    std::vector<std::unique_ptr<CMarkupNode>> children;

    // The value of an attribute, or nullptr.
    LPCWSTR GetAttribute(LPCWSTR attrName) const;
    bool HasAttribute(LPCWSTR attrName) const { return GetAttribute(attrName) != nullptr; }
};

}  // namespace DuiLib
