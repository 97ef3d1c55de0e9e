#include "duilib/TabOrder.h"

#include <algorithm>

#include "duilib/ControlUI.h"
#include "duilib/OptionUI.h"

namespace DuiLib {

std::vector<CControlUI*> CTabOrder::Controls(CControlUI* root) {
    std::vector<CControlUI*> all;
    if (!root) return all;
    root->VisitTree([](CControlUI* c, void* ctx) {
        if (!c->IsContainer()) static_cast<std::vector<CControlUI*>*>(ctx)->push_back(c);
    }, &all);
    std::stable_sort(all.begin(), all.end(), [](CControlUI* a, CControlUI* b) {
        const int ia = a->GetTabIndex(), ib = b->GetTabIndex();
        if ((ia > 0) != (ib > 0)) return ia > 0;
        return ia > 0 && ia < ib;
    });
    return all;
}

CControlUI* CTabOrder::Next(CControlUI* root, CControlUI* from, bool forward) {
    std::vector<CControlUI*> order = Controls(root);
    if (!forward) std::reverse(order.begin(), order.end());
    auto start = std::find(order.begin(), order.end(), from);
    // After `from` to the end, then from the start round to it.
    if (start != order.end()) {
        std::rotate(order.begin(), start + 1, order.end());
    }
    for (CControlUI* c : order)
        if (c != from && c->IsTabStop()) return c;
    return nullptr;
}

CControlUI* CTabOrder::First(CControlUI* root) {
    CControlUI* first = Next(root, nullptr, true);
    auto* option = first ? static_cast<COptionUI*>(first->GetInterface(L"Option")) : nullptr;
    if (!option || option->GetGroup().IsEmpty() || option->IsSelected()) return first;
    for (CControlUI* c : Controls(root)) {
        auto* other = static_cast<COptionUI*>(c->GetInterface(L"Option"));
        if (other && other->IsSelected() && other->GetGroup() == option->GetGroup().GetData() && c->IsTabStop())
            return c;
    }
    return first;
}

}  // namespace DuiLib
