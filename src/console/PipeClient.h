#pragma once
// The console's end of the command pipe: finds the running program's pipe,
// makes sure the running Velotune serves it, sends one request and reads
// one answer. The connection lets the server identify this process, never
// act as it.
#include <windows.h>

#include <string>

#include "remote/PipeCodec.h"

class CPipeClient {
public:
    enum class Reach { Answered, NotRunning, NotVelotune, NoAnswer };
    // `answerWithinMs`: how long the answer may take after the request.
    static Reach Ask(const remote::Request& request, DWORD answerWithinMs, remote::Answer& answer, std::string& why);
};
