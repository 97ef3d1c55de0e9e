#pragma once
// The keyboard and reading order of a window's controls: the skin's order,
// with the controls that have a "tabindex" (lowest first) ahead of the rest.
#include <vector>

namespace DuiLib {

class CControlUI;

class CTabOrder {
public:
    // Every control of the tree but the containers, in that order.
    static std::vector<CControlUI*> Controls(CControlUI* root);
    // The tab stop after (or before) `from`, wrapping round; from null: the
    // first (or last). Null when the window has none.
    static CControlUI* Next(CControlUI* root, CControlUI* from, bool forward);
    // Where the focus opens: the first tab stop, or, when that is an option
    // of a radio group, the group's chosen option (the one a user reads as
    // the answer, and the one an arrow or Space would not change).
    static CControlUI* First(CControlUI* root);
};

}  // namespace DuiLib
