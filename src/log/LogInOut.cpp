#include "log/LogInOut.h"

#include <cstdio>

#include "log/BaseLog.h"
#include "log/LogClock.h"

CLogInOut::CLogInOut(const char* name) : m_name{}, m_start(LogClock::Tick()) {
    std::snprintf(m_name, sizeof(m_name), "%s", name ? name : "");
    VLOG("%s in.", m_name);
}

CLogInOut::~CLogInOut() {
    DWORD elapsed = LogClock::Tick() - m_start;
    if (elapsed < 1000)
        VLOG("%s out and tick %d ms.", m_name, (int)elapsed);
    else
        VLOG("%s out and tick %d s %d ms.", m_name, (int)(elapsed / 1000), (int)(elapsed % 1000));
}
