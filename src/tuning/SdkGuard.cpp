#include "tuning/SdkGuard.h"

#include "log/BaseLog.h"

namespace {

// One guarded call in flight on this thread; nested guards chain.
struct GuardFrame {
    void* jump[5];  // __builtin_setjmp's buffer
    GuardFrame* outer;
    DWORD code;
#ifdef __i386__
    void* sehChain;  // the thread's handler chain (fs:0) when the guard began
#endif
};

thread_local GuardFrame* t_frame = nullptr;
LPTOP_LEVEL_EXCEPTION_FILTER g_previousFilter = nullptr;

// Reached only for exceptions that no handler, in the library or here,
// took: leave the dispatcher for the guard's own frame. Everything between
// belongs to the library or to the thunk, which own nothing to release.
LONG WINAPI GuardFilter(EXCEPTION_POINTERS* info) {
    GuardFrame* frame = t_frame;
    if (frame == nullptr)
        return g_previousFilter != nullptr ? g_previousFilter(info) : EXCEPTION_CONTINUE_SEARCH;
    frame->code = info->ExceptionRecord->ExceptionCode;
    __builtin_longjmp(frame->jump, 1);
}

void InstallFilterOnce() {
    static const bool installed = [] {
        g_previousFilter = SetUnhandledExceptionFilter(GuardFilter);
        return true;
    }();
    (void)installed;
}

// Separate so that nothing of the caller's lives in the frame that the
// jump returns to.
__attribute__((noinline)) bool CallUnderFrame(void (*body)(void*), void* context, DWORD* code) {
    GuardFrame frame;
    frame.outer = t_frame;
    frame.code = 0;
#ifdef __i386__
    __asm__ __volatile__("movl %%fs:0, %0" : "=r"(frame.sehChain));
#endif
    if (__builtin_setjmp(frame.jump) == 0) {
        t_frame = &frame;
        body(context);
        t_frame = frame.outer;
        return true;
    }
#ifdef __i386__
    // The dispatcher left its own records on the handler chain, in stack
    // that is gone now; the next exception would walk into them.
    __asm__ __volatile__("movl %0, %%fs:0" : : "r"(frame.sehChain) : "memory");
#endif
    t_frame = frame.outer;
    *code = frame.code;
    return false;
}

struct CatchingBody {
    void (*body)(void*);
    void* context;
    bool threw;
};

// A library built by this compiler raises its exceptions as C++ ones.
void CatchCompilerExceptions(void* p) {
    auto* c = static_cast<CatchingBody*>(p);
    try {
        c->body(c->context);
    } catch (...) {
        c->threw = true;
    }
}

}  // namespace

bool CSdkGuard::Call(void (*body)(void*), void* context, DWORD* exceptionCode) {
    InstallFilterOnce();
    CatchingBody catching{body, context, false};
    DWORD code = 0;
    if (!CallUnderFrame(&CatchCompilerExceptions, &catching, &code)) {
        if (exceptionCode != nullptr) *exceptionCode = code;
        return false;
    }
    if (catching.threw) {
        if (exceptionCode != nullptr) *exceptionCode = kCompilerException;
        return false;
    }
    return true;
}

void CSdkGuard::LogRaised(const char* what, DWORD code) {
    VLOG("[SdkGuard] %s raised exception 0x%08lX", what, (unsigned long)code);
}
