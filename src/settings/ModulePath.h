#pragma once
// Full path of the running executable, without the MAX_PATH truncation of a
// fixed buffer: empty when the system cannot give it.
#include <string>

std::wstring GetModulePath();
