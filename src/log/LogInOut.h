#pragma once
// Logs "<name> in." when made and "<name> out and tick ..." when destroyed.
#include <windows.h>

#include "base/NonCopyable.h"

class CLogInOut : private vt::NonCopyable {
public:
    explicit CLogInOut(const char* name);
    ~CLogInOut();

private:
    char m_name[MAX_PATH];
    DWORD m_start;
};
