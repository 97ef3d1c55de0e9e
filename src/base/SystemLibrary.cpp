#include "base/SystemLibrary.h"

#include <cstdio>

namespace vt {

namespace {

// Library names are plain ASCII file names.
std::string Narrow(const wchar_t* text) {
    std::string narrow;
    for (; *text; ++text) narrow += *text < 0x80 ? static_cast<char>(*text) : '?';
    return narrow;
}

}  // namespace

CSystemLibrary::CSystemLibrary(const wchar_t* name) : m_name(name) {
    // A name with a folder in it would be loaded from that folder whatever
    // the search flags say.
    bool bare = true;
    for (const wchar_t* c = name; *c; ++c) bare = bare && *c != L'\\' && *c != L'/' && *c != L':';
    if (bare) {
        m_library.Reset(::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
        if (!m_library.Loaded()) m_error = ::GetLastError();
    } else {
        m_error = ERROR_INVALID_NAME;
    }
    if (m_error == 0) return;
    char text[64];
    std::snprintf(text, sizeof(text), " not loaded from the system folder (error %lu)",
                  static_cast<unsigned long>(m_error));
    m_problem = Narrow(m_name) + text;
}

void CSystemLibrary::NoteMissing(const char* entry) {
    if (m_problem.empty()) m_problem = Narrow(m_name) + " has no " + entry;
}

}  // namespace vt
