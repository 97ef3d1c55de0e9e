#pragma once
// Text for a debugger (OutputDebugStringW), formatted as swprintf does; what
// is longer than 511 characters is cut.
namespace vt {

void DebugTrace(const wchar_t* format, ...);

}  // namespace vt
