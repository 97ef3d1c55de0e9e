// The stack cookie and the buffer checks that -fstack-protector-strong and
// _FORTIFY_SOURCE compile calls to, linked as an object into every program
// and library we build (see CMakeLists.txt). GCC's own runtime for them seeds
// the cookie through the CryptoAPI, which under Wine loads and unloads three
// libraries for each module at its load; the system's random generator gives
// the same without them. This file is built without cookies itself: the
// seeding changes the value that a protected caller would compare against.
#undef _FORTIFY_SOURCE
#include <windows.h>
#include <ntsecapi.h>

#include <cstdint>
#include <cstring>

extern "C" {

// Zero until the seeding below, which runs before any other constructor of
// the module and before its main, WinMain or DllMain.
uintptr_t __stack_chk_guard;

}  // extern "C"

namespace {

// Codes of the system's fast-fail; the process ends with
// STATUS_STACK_BUFFER_OVERRUN for either.
constexpr unsigned kCookieSmashed = 2;  // FAST_FAIL_STACK_COOKIE_CHECK_FAILURE
constexpr unsigned kBufferOverrun = 8;  // FAST_FAIL_RANGE_CHECK_FAILURE

// Ends the process on the spot. The stack that called here cannot be
// trusted, so nothing is unwound, logged or allocated, and no exception
// handler of the process sees it. Where the system has no fast-fail
// (before Windows 8) the process is terminated with the same code.
// The two instructions stay as written: scripts/check-pe.py finds the
// cookie handler by them.
template <unsigned Code>
[[noreturn]] __attribute__((always_inline)) inline void EndAtOnce() {
    if (::IsProcessorFeaturePresent(PF_FASTFAIL_AVAILABLE))
        __asm__ __volatile__("movl %0, %%ecx\n\tint $0x29" : : "i"(Code) : "ecx", "memory");
    ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(STATUS_STACK_BUFFER_OVERRUN));
    __builtin_unreachable();
}

// Mixed from what differs between starts and processes, for the case where
// the system's generator fails: never a fixed value.
uintptr_t FallbackSeed() {
    LARGE_INTEGER counter = {};
    ::QueryPerformanceCounter(&counter);
    FILETIME now = {};
    ::GetSystemTimeAsFileTime(&now);
    uint64_t mix = static_cast<uint64_t>(counter.QuadPart);
    mix ^= (static_cast<uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime) * 0x9e3779b97f4a7c15ull;
    mix ^= static_cast<uint64_t>(::GetCurrentProcessId()) << 32 | ::GetCurrentThreadId();
    mix ^= reinterpret_cast<uintptr_t>(&counter);  // where the stack is, under ASLR
    mix ^= mix >> 29;
    return static_cast<uintptr_t>(mix ^ (mix >> 32));
}

// The first constructor of the module (priority 101 is the earliest one a
// program may take): nothing protected of ours has a frame open yet.
__attribute__((constructor(101))) void SeedStackGuard() {
    uintptr_t seed = 0;
    if (!::RtlGenRandom(&seed, sizeof(seed)) || seed == 0) seed = FallbackSeed();
    __stack_chk_guard = seed;
}

}  // namespace

extern "C" {

[[noreturn]] void __stack_chk_fail() { EndAtOnce<kCookieSmashed>(); }

[[noreturn]] void __chk_fail() { EndAtOnce<kBufferOverrun>(); }

// The checked copies: `room` is what the compiler knows of the destination.

void* __memcpy_chk(void* to, const void* from, size_t n, size_t room) {
    if (n > room) __chk_fail();
    return std::memcpy(to, from, n);
}

void* __mempcpy_chk(void* to, const void* from, size_t n, size_t room) {
    if (n > room) __chk_fail();
    return static_cast<char*>(std::memcpy(to, from, n)) + n;
}

void* __memmove_chk(void* to, const void* from, size_t n, size_t room) {
    if (n > room) __chk_fail();
    return std::memmove(to, from, n);
}

void* __memset_chk(void* to, int value, size_t n, size_t room) {
    if (n > room) __chk_fail();
    return std::memset(to, value, n);
}

char* __strcpy_chk(char* to, const char* from, size_t room) {
    const size_t n = std::strlen(from) + 1;
    if (n > room) __chk_fail();
    return static_cast<char*>(std::memcpy(to, from, n));
}

char* __strncpy_chk(char* to, const char* from, size_t n, size_t room) {
    if (n > room) __chk_fail();
    return std::strncpy(to, from, n);
}

char* __strcat_chk(char* to, const char* from, size_t room) {
    const size_t had = std::strlen(to), add = std::strlen(from);
    if (had >= room || add >= room - had) __chk_fail();
    std::memcpy(to + had, from, add + 1);
    return to;
}

char* __strncat_chk(char* to, const char* from, size_t n, size_t room) {
    const size_t had = std::strlen(to);
    size_t add = 0;
    while (add < n && from[add] != '\0') ++add;
    if (had >= room || add >= room - had) __chk_fail();
    std::memcpy(to + had, from, add);
    to[had + add] = '\0';
    return to;
}

}  // extern "C"
