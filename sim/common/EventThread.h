#pragma once
// A thread that calls a function each time a named auto-reset event is set:
// the device stand-ins' button and flag. Stop ends it before the library is
// unloaded; a library unloaded without Stop only closes the handles.
#include <windows.h>

#include <string>

#include "base/NonCopyable.h"
#include "base/Win32Owners.h"

namespace simcommon {

class CEventThread : private vt::NonCopyable {
public:
    enum class Start { Started, NoEvent, Taken, NoThread };

    // Creates the event, open to SYSTEM and the Administrators only, and
    // starts the thread. An event of that name that exists already is
    // refused (Taken): whoever made it first could set it at will.
    Start Run(const std::wstring& eventName, void (*onSet)());
    // Ends the thread (waiting up to 5 s for a call under way) and closes
    // the events.
    void Stop();
    bool Running() const { return static_cast<bool>(m_thread); }

private:
    static DWORD WINAPI Loop(void* self);

    void (*m_onSet)() = nullptr;
    vt::UniqueHandle m_event;
    vt::UniqueHandle m_stop;
    vt::UniqueHandle m_thread;
};

}  // namespace simcommon
