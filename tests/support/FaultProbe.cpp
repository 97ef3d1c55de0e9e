// A tiny program that meets a fault on purpose, so that a test can see what
// the platform makes of it in a process of its own. Run with one word, it
//   smash     overruns a local array, smashing its stack cookie;
//   overrun   copies more bytes into an array than it holds, through the
//             checked copy;
//   guard     exits with the low 30 bits of its module's cookie;
//   fastfail  asks the system's fast-fail for the process's end directly, as
//             the stack guard does;
//   access    reads an unmapped page, as the simulated SDK's RaiseKind=access
//             does, and exits with the exception code its handler was given.
// Any exception its handlers see otherwise ends it with kHandlerSawIt: a
// smashed stack must end the process without running any of them.
// Under user-mode emulation of a 32-bit processor the names of both faults
// differ from a real processor's (README.md, "x86 under emulation"): the
// tests ask this program first and expect what it reports.
#include <windows.h>

#include <cstdint>
#include <cstring>

extern "C" uintptr_t __stack_chk_guard;

namespace {

constexpr UINT kHandlerSawIt = 70;
constexpr UINT kSurvived = 71;

LONG WINAPI SawIt(EXCEPTION_POINTERS*) {
    ::TerminateProcess(::GetCurrentProcess(), kHandlerSawIt);
    return EXCEPTION_CONTINUE_SEARCH;
}

LONG WINAPI TellCode(EXCEPTION_POINTERS* e) {
    ::TerminateProcess(::GetCurrentProcess(), e->ExceptionRecord->ExceptionCode);
    return EXCEPTION_CONTINUE_SEARCH;
}

// The compiler cannot see what `p` points at, so neither the copy check nor
// a warning stands between the write and the cookie; the cookie catches it.
__attribute__((noinline)) int Smash(size_t n) {
    char local[16] = {};
    char* p = local;
    __asm__ __volatile__("" : "+r"(p));
    std::memset(p, 'x', n);
    return p[0];
}

// Here it can: the copy is checked against the array's size, which is all
// it knows (the count is hidden from it as well, or it would refuse to build).
__attribute__((noinline)) int Overrun(const char* from, size_t n) {
    char local[8];
    __asm__ __volatile__("" : "+r"(n));
    std::memcpy(local, from, n);
    volatile char sink = local[0];
    return sink;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "access") == 0) {
        ::AddVectoredExceptionHandler(1, TellCode);
        static volatile uintptr_t unmapped = 16;
        (void)*reinterpret_cast<volatile const int*>(unmapped);
        return kSurvived;
    }
    ::SetUnhandledExceptionFilter(SawIt);
    ::AddVectoredExceptionHandler(1, SawIt);
    if (argc == 2 && std::strcmp(argv[1], "fastfail") == 0) {
        __asm__ __volatile__("movl $2, %%ecx\n\tint $0x29" : : : "ecx", "memory");
        return kSurvived;
    }
    if (argc == 2 && std::strcmp(argv[1], "smash") == 0) {
        Smash(16 + 4 * sizeof(void*) + std::strlen(argv[1]));
        return kSurvived;
    }
    if (argc == 2 && std::strcmp(argv[1], "overrun") == 0) {
        const char text[] = "more than eight bytes";
        Overrun(text, sizeof(text));
        return kSurvived;
    }
    if (argc == 2 && std::strcmp(argv[1], "guard") == 0) return static_cast<int>(__stack_chk_guard & 0x3fffffff);
    return 1;
}
