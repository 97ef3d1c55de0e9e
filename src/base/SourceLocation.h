#pragma once
// Compile-time location values for log lines (the program's log and the
// toolkit's log sink alike): the source file's base name
// without its extension, and "Class::Method" (or the bare function name)
// taken from the compiler's pretty function name.
#include <cstddef>

namespace vtlog {

struct Name {
    char text[64];
    constexpr const char* c_str() const { return text; }
};

constexpr Name BaseNameNoExt(const char* path) {
    std::size_t len = 0;
    while (path[len]) ++len;
    std::size_t start = 0;
    for (std::size_t i = 0; i < len; ++i)
        if (path[i] == '/' || path[i] == '\\') start = i + 1;
    std::size_t end = len;
    for (std::size_t i = len; i > start; --i)
        if (path[i - 1] == '.') { end = i - 1; break; }
    Name n{};
    std::size_t k = 0;
    for (std::size_t i = start; i < end && k < sizeof(n.text) - 1; ++i) n.text[k++] = path[i];
    return n;
}

// "int CMainFrame::DoHandle(int)" -> "CMainFrame::DoHandle"; namespaces stay
// ("DuiLib::CSpeedPanleUI::PaintStatusImage"), anonymous ones are dropped.
constexpr Name QualifiedName(const char* pretty) {
    std::size_t open = 0;
    int depth = 0;
    for (std::size_t i = 0; pretty[i]; ++i) {
        char c = pretty[i];
        if (c == '<') ++depth;
        else if (c == '>' && depth > 0) --depth;
        else if (c == '(' && depth == 0) { open = i; break; }
    }
    std::size_t begin = open;
    depth = 0;
    while (begin > 0) {
        char c = pretty[begin - 1];
        if (c == '>' || c == '}') ++depth;
        else if (c == '<' || c == '{') --depth;
        else if ((c == ' ' || c == '*' || c == '&') && depth == 0) break;
        --begin;
    }
    const char anon[] = "{anonymous}::";
    Name n{};
    std::size_t k = 0;
    for (std::size_t i = begin; i < open && k < sizeof(n.text) - 1;) {
        std::size_t m = 0;
        while (anon[m] && pretty[i + m] == anon[m]) ++m;
        if (!anon[m]) { i += m; continue; }
        n.text[k++] = pretty[i++];
    }
    return n;
}

}  // namespace vtlog

// GNU statement expressions keep __PRETTY_FUNCTION__ bound to the caller
// while the name is still computed at compile time.
#define VT_LOG_FILE                                                          \
    (__extension__({                                                         \
        static constexpr ::vtlog::Name vt_file_ = ::vtlog::BaseNameNoExt(__FILE__); \
        vt_file_.c_str();                                                    \
    }))
#define VT_LOG_FUNCTION                                                      \
    (__extension__({                                                         \
        static constexpr ::vtlog::Name vt_fn_ =                              \
            ::vtlog::QualifiedName(__PRETTY_FUNCTION__);                     \
        vt_fn_.c_str();                                                      \
    }))
