#pragma once
// Every call into the tuning SDK runs under this guard. The vendor's library
// is built by another compiler: its C++ exceptions, and its faults, arrive
// here as structured exceptions, which this compiler's catch clauses do not
// see. One that the library leaves unhandled ends the call, not the process.
#include <windows.h>

#include <type_traits>

class CSdkGuard {
public:
    // Runs body(context). False, with the exception's code, when a structured
    // exception or a C++ exception of this compiler left it; the library's
    // frames are abandoned, so the call counts as failed.
    static bool Call(void (*body)(void*), void* context, DWORD* exceptionCode);

    // Runs fn(); logs "[SdkGuard] <what> raised exception 0x..." and returns
    // false when it did not return.
    template <class F>
    static bool Run(const char* what, F&& fn) {
        DWORD code = 0;
        using Body = std::remove_reference_t<F>;
        if (Call(&Thunk<Body>, const_cast<void*>(static_cast<const void*>(&fn)), &code)) return true;
        LogRaised(what, code);
        return false;
    }

    // fn()'s result, or `failed` when the call did not return.
    template <class R, class F>
    static R Value(const char* what, R failed, F&& fn) {
        R result = failed;
        auto body = [&] { result = fn(); };
        return Run(what, body) ? result : failed;
    }

    // The code this compiler's own C++ exceptions are reported under.
    static const DWORD kCompilerException = 0x20474343;

private:
    template <class F>
    static void Thunk(void* fn) {
        (*static_cast<F*>(fn))();
    }
    static void LogRaised(const char* what, DWORD code);
};
