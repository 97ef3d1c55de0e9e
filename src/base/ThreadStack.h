#pragma once
// Wine clears about 1 MiB of every new thread's stack before the thread's
// first call, and those pages stay resident for the thread's life (and,
// for the thread that ended last, after it): most of what a thread costs
// there. Our threads never reach that deep, so each gives them back first
// thing, in its own entry: a TLS callback would run before Wine clears the
// stack (its loader calls them, then clears, then enters the thread's
// code), and would find nothing to give back. On Windows the untouched
// stack is not even committed, and the call finds little or nothing to do.
#include <windows.h>

namespace vt {

// How much of the stack below the caller stays as it is: the frames the
// thread goes on using.
constexpr unsigned long kKeptStackBytes = 64 * 1024;

// Lets the system drop the pages of the calling thread's stack that lie
// more than kKeptStackBytes below this call. They stay committed, so the
// thread may still grow into them (their contents are simply lost).
void ReleaseUnusedStack();

// The entry of a thread whose whole work is `Body` of the object `param`
// points at: the stack goes back first.
template <class T, bool (T::*Body)()>
DWORD WINAPI ThreadEntryOf(LPVOID param) {
    T* self = static_cast<T*>(param);
    if (self == nullptr) return static_cast<DWORD>(-1);
    ReleaseUnusedStack();
    (self->*Body)();
    return 0;
}

}  // namespace vt
