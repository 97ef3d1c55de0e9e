#pragma once
// Logs "<name> in." when made and "<name> out and tick ..." when destroyed.
#include <windows.h>

class CLogInOut {
public:
    explicit CLogInOut(const char* name);
    ~CLogInOut();
    CLogInOut(const CLogInOut&) = delete;
    CLogInOut& operator=(const CLogInOut&) = delete;

private:
    char m_name[MAX_PATH];
    DWORD m_start;
};
