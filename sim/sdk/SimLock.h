#pragma once
// The library's one lock: every SDK call may come from any thread.
#include <windows.h>

class CSimLock {
public:
    CSimLock();
    ~CSimLock();
    void Enter();
    void Leave();

private:
    CSimLock(const CSimLock&) = delete;
    CSimLock& operator=(const CSimLock&) = delete;
    CRITICAL_SECTION m_section;
};

// Holds the lock for one scope.
class CSimLockGuard {
public:
    explicit CSimLockGuard(CSimLock& lock) : m_lock(lock) { m_lock.Enter(); }
    ~CSimLockGuard() { m_lock.Leave(); }

private:
    CSimLockGuard(const CSimLockGuard&) = delete;
    CSimLockGuard& operator=(const CSimLockGuard&) = delete;
    CSimLock& m_lock;
};
