#pragma once
// A library of the system's own that the program needs only now and then
// (screen readers, the update's checks), loaded at its first use instead of
// at every start. It is taken from the system folder by its name and from
// nowhere else: the program runs elevated, and its own folder or the
// current one may be writable by others.
#include <windows.h>

#include <string>

#include "base/Win32Owners.h"

namespace vt {

class CSystemLibrary {
public:
    // `name` is a file name such as L"oleacc.dll", never a path; it must
    // outlive the object (a literal).
    explicit CSystemLibrary(const wchar_t* name);
    CSystemLibrary(const CSystemLibrary&) = delete;
    CSystemLibrary& operator=(const CSystemLibrary&) = delete;

    bool Loaded() const { return m_library.Loaded(); }
    HMODULE Module() const { return m_library.Get(); }
    const wchar_t* Name() const { return m_name; }
    // The system's error code when the load failed, else 0.
    DWORD LoadError() const { return m_error; }
    // Why the library or an entry looked up through Find is not usable, for
    // the owner's log; empty while nothing is missing.
    const std::string& Problem() const { return m_problem; }

    // The export `name` as a function of type F, or null.
    template <typename F>
    F Proc(const char* name) const {
        return m_library.Proc<F>(name);
    }
    // The same into *out; false, with the reason in Problem(), when missing.
    template <typename F>
    bool Find(const char* name, F* out) {
        *out = Proc<F>(name);
        if (*out) return true;
        NoteMissing(name);
        return false;
    }

private:
    void NoteMissing(const char* entry);

    const wchar_t* m_name;
    DWORD m_error = 0;
    std::string m_problem;
    DynamicLibrary m_library;
};

}  // namespace vt
