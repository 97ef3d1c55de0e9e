#include "tuning/TextSplit.h"

size_t SplitText(const std::wstring& text, const std::wstring& separator,
                 std::vector<std::wstring>& pieces) {
    pieces.clear();
    if (separator.empty()) {
        if (!text.empty()) pieces.push_back(text);
        return pieces.size();
    }
    size_t start = 0;
    for (;;) {
        size_t at = text.find(separator, start);
        if (at == std::wstring::npos) break;
        if (at > start) pieces.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
    if (start < text.size()) pieces.push_back(text.substr(start));
    return pieces.size();
}
