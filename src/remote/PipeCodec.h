#pragma once
// The records that travel through the command pipe between the console
// companion and the running program. Each is written field by field, little
// endian, into a record of a fixed size: an x86 console and an x64 program
// (or the other way round) read each other's, and a record of any other size
// or with a field out of range is refused before anything acts on it.
#include <cstddef>
#include <cstdint>
#include <string>

namespace remote {

// "\\.\pipe\Velotune": made by the running program, first and only by it.
extern const wchar_t kPipeName[];

enum class Command : uint16_t { Status = 1, Overclock = 2, Restore = 3 };

// What became of a request.
enum class Outcome : uint16_t {
    Done = 0,          // the run ended as asked (or, for status, the state was read)
    AlreadyThere = 1,  // the processor was already where it was asked to go: no run
    Busy = 2,          // a run is in progress, or the program is starting or closing
    Refused = 3,       // the caller may not change the clock
    Failed = 4,        // the run failed
    TimedOut = 5,      // no result within the time asked for; the run goes on
};

constexpr int kMaxCores = 16;
constexpr int kVersionChars = 24;
// The longest a console may ask the program to hold its request for a result.
constexpr uint32_t kMaxTimeoutMs = 3600u * 1000u;

struct Request {
    Command command = Command::Status;
    uint32_t timeoutMs = 0;  // overclock and restore: how long to wait for the result
};

struct Answer {
    Outcome outcome = Outcome::Done;
    uint16_t status = 0;  // the status code: 0 stock, 1 overclocking, 2 overclocked, 3 restoring
    bool runInProgress = false;
    uint32_t frequencyMHz = 0;  // the last reading
    uint32_t maxTurboMHz = 0;
    uint16_t coreCount = 0;             // ratios read (at most kMaxCores)
    uint32_t ratiosCenti[kMaxCores] = {};  // each core's active ratio, times 100
    wchar_t version[kVersionChars] = {};   // the program's file version, zero-terminated
};

class CPipeCodec {
public:
    static constexpr size_t kRequestSize = 16;
    static constexpr size_t kAnswerSize = 136;

    static void Encode(const Request& request, uint8_t (&out)[kRequestSize]);
    static void Encode(const Answer& answer, uint8_t (&out)[kAnswerSize]);
    // False, with the reason in `why` (for the log), for anything but a
    // whole, well-formed record.
    static bool Decode(const uint8_t* data, size_t size, Request& request, std::string& why);
    static bool Decode(const uint8_t* data, size_t size, Answer& answer, std::string& why);
};

}  // namespace remote
