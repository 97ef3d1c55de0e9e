#pragma once
// Whether the windows above a window hide all of it. The system does not
// say: with desktop composition a covered window keeps its whole picture
// and its DC is not clipped, so it is worked out from the windows above,
// nearest first. Only a cover that stays counts: hidden, minimised,
// see-through and cloaked windows cover nothing, and neither do the ones
// that pass over for a moment; in doubt, a window counts as uncovered.
// It is fed a description of those windows, so the same rules judge the
// screen (CVisibility) and a test's table.
#include <windows.h>

#include "duilib/DuiString.h"

namespace DuiLib {

class CWindowCover {
public:
    // The windows above one window, nearest first. Each is asked only as
    // far as the test needs, in the order of the declarations below (a
    // hidden one is asked nothing more): on the screen under Wine every
    // question is a round trip to the window server.
    class IWindowsAbove {
    public:
        virtual bool Next() = 0;  // on to the next window up; false past the top
        virtual bool IsShown() = 0;
        virtual bool IsSeeThrough() = 0;  // layered, or transparent to the pointer
        virtual CDuiString ClassName() = 0;
        virtual bool IsPopupOfThisProcess() = 0;  // has an owner, and is this process's
        virtual bool IsCloaked() = 0;             // kept off the screen by the compositor
        virtual bool GetRect(RECT& rc) = 0;       // screen coordinates; false when unknown

    protected:
        ~IWindowsAbove() = default;
    };

    // Whether the windows above cover all of `rect` (screen coordinates);
    // an empty rectangle is not covered.
    static bool Covered(const RECT& rect, IWindowsAbove& above);

private:
    static bool PassingOver(IWindowsAbove& window);
};

}  // namespace DuiLib
