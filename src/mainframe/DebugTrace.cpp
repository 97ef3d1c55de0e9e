#include "mainframe/DebugTrace.h"

#include <windows.h>

#include <cstdarg>
#include <cwchar>

namespace vt {

void DebugTrace(const wchar_t* format, ...) {
    wchar_t text[512];
    va_list args;
    va_start(args, format);
    _vsnwprintf(text, 511, format, args);
    va_end(args);
    text[511] = 0;
    OutputDebugStringW(text);
}

}  // namespace vt
