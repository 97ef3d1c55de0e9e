#include "duilib/GdiplusSession.h"

#include <windows.h>

#include "duilib/GdiplusHeaders.h"

namespace DuiLib {

void CGdiplusSession::Ensure() {
    // Never shut down: images cached by windows that outlive main() (static
    // objects) would otherwise be freed after GDI+ is gone. The process end
    // releases it.
    static ULONG_PTR s_token = [] {
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR token = 0;
        Gdiplus::GdiplusStartup(&token, &input, nullptr);
        return token;
    }();
    (void)s_token;
}

}  // namespace DuiLib
