#pragma once
// Parsing of attribute values: numbers, rectangles, sizes, colours, booleans
// and attribute lists. A failed parse leaves the target untouched and records
// why, so that the layout builder can name the problem in its log line.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "duilib/DuiString.h"

namespace DuiLib {

class CAttrParse {
public:
    // Numbers outside +-kMaxNumber are refused: no layout needs them and
    // they would only overflow later arithmetic.
    static constexpr int kMaxNumber = 100000;

    static bool Int(LPCWSTR name, LPCWSTR value, int& out);
    static bool Rect(LPCWSTR name, LPCWSTR value, RECT& out);
    static bool Size(LPCWSTR name, LPCWSTR value, SIZE& out);
    static bool Color(LPCWSTR name, LPCWSTR value, DWORD& out);
    static bool Bool(LPCWSTR name, LPCWSTR value, bool& out);
    // Reads up to `count` comma-separated integers; false when fewer or bad.
    static bool IntList(LPCWSTR value, int* out, int count);

    // `a="1" b='x'` as found in <Default value=...>.
    static bool AttributeList(LPCWSTR text, std::vector<std::pair<CDuiString, CDuiString>>& out);

    // The reason the last refused value was refused (for the builder).
    static void SetError(LPCWSTR format, ...);
    static CDuiString TakeError();
};

}  // namespace DuiLib
