#include "SimLock.h"

CSimLock::CSimLock() { InitializeCriticalSection(&m_section); }
CSimLock::~CSimLock() { DeleteCriticalSection(&m_section); }
void CSimLock::Enter() { EnterCriticalSection(&m_section); }
void CSimLock::Leave() { LeaveCriticalSection(&m_section); }
