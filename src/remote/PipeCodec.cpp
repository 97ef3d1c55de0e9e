#include "remote/PipeCodec.h"

#include <cstdio>

namespace remote {

const wchar_t kPipeName[] = L"\\\\.\\pipe\\Velotune";

namespace {

constexpr uint32_t kRequestMagic = 0x51525456;  // "VTRQ"
constexpr uint32_t kAnswerMagic = 0x4E415456;   // "VTAN"
constexpr uint16_t kVersion = 1;

class Writer {
public:
    explicit Writer(uint8_t* out) : m_out(out) {}
    void U16(uint16_t v) {
        m_out[m_at++] = static_cast<uint8_t>(v);
        m_out[m_at++] = static_cast<uint8_t>(v >> 8);
    }
    void U32(uint32_t v) {
        U16(static_cast<uint16_t>(v));
        U16(static_cast<uint16_t>(v >> 16));
    }

private:
    uint8_t* m_out;
    size_t m_at = 0;
};

class Reader {
public:
    explicit Reader(const uint8_t* data) : m_data(data) {}
    uint16_t U16() {
        uint16_t v = static_cast<uint16_t>(m_data[m_at] | (m_data[m_at + 1] << 8));
        m_at += 2;
        return v;
    }
    uint32_t U32() {
        uint32_t low = U16();
        return low | (static_cast<uint32_t>(U16()) << 16);
    }

private:
    const uint8_t* m_data;
    size_t m_at = 0;
};

bool Refuse(std::string& why, const char* format, unsigned long value) {
    char text[128];
    std::snprintf(text, sizeof(text), format, value);
    why = text;
    return false;
}

// The header both records start with: magic and version.
bool ReadHeader(Reader& in, size_t size, size_t expected, uint32_t magic, std::string& why) {
    if (size != expected) return Refuse(why, "%lu bytes, not a whole record", static_cast<unsigned long>(size));
    const uint32_t got = in.U32();
    if (got != magic) return Refuse(why, "unknown record 0x%08lX", got);
    const uint16_t version = in.U16();
    if (version != kVersion) return Refuse(why, "record version %lu", version);
    return true;
}

// The same header, written.
void WriteHeader(Writer& out, uint32_t magic) {
    out.U32(magic);
    out.U16(kVersion);
}

}  // namespace

void CPipeCodec::Encode(const Request& request, uint8_t (&out)[kRequestSize]) {
    Writer w(out);
    WriteHeader(w, kRequestMagic);
    w.U16(static_cast<uint16_t>(request.command));
    w.U32(request.timeoutMs);
    w.U32(0);
}

bool CPipeCodec::Decode(const uint8_t* data, size_t size, Request& request, std::string& why) {
    Reader in(data);
    if (!ReadHeader(in, size, kRequestSize, kRequestMagic, why)) return false;
    const uint16_t command = in.U16();
    if (command < static_cast<uint16_t>(Command::Status) || command > static_cast<uint16_t>(Command::Restore))
        return Refuse(why, "unknown command %lu", command);
    const uint32_t timeoutMs = in.U32();
    if (timeoutMs > kMaxTimeoutMs) return Refuse(why, "time limit of %lu ms out of range", timeoutMs);
    const uint32_t reserved = in.U32();
    if (reserved != 0) return Refuse(why, "reserved field 0x%08lX", reserved);
    request.command = static_cast<Command>(command);
    request.timeoutMs = timeoutMs;
    return true;
}

void CPipeCodec::Encode(const Answer& answer, uint8_t (&out)[kAnswerSize]) {
    Writer w(out);
    WriteHeader(w, kAnswerMagic);
    w.U16(static_cast<uint16_t>(answer.outcome));
    w.U16(answer.status);
    w.U16(answer.runInProgress ? 1 : 0);
    w.U32(answer.frequencyMHz);
    w.U32(answer.maxTurboMHz);
    w.U16(answer.coreCount);
    w.U16(0);
    for (uint32_t ratio : answer.ratiosCenti) w.U32(ratio);
    for (int i = 0; i < kVersionChars; ++i)
        w.U16(i + 1 < kVersionChars ? static_cast<uint16_t>(answer.version[i]) : 0);
}

bool CPipeCodec::Decode(const uint8_t* data, size_t size, Answer& answer, std::string& why) {
    Reader in(data);
    if (!ReadHeader(in, size, kAnswerSize, kAnswerMagic, why)) return false;
    Answer a;
    const uint16_t outcome = in.U16();
    if (outcome > static_cast<uint16_t>(Outcome::TimedOut)) return Refuse(why, "unknown outcome %lu", outcome);
    a.outcome = static_cast<Outcome>(outcome);
    a.status = in.U16();
    if (a.status > 3) return Refuse(why, "unknown status %lu", a.status);
    const uint16_t run = in.U16();
    if (run > 1) return Refuse(why, "run flag %lu", run);
    a.runInProgress = run == 1;
    a.frequencyMHz = in.U32();
    a.maxTurboMHz = in.U32();
    a.coreCount = in.U16();
    if (a.coreCount > kMaxCores) return Refuse(why, "%lu cores", a.coreCount);
    if (in.U16() != 0) return Refuse(why, "reserved field set", 0);
    for (uint32_t& ratio : a.ratiosCenti) ratio = in.U32();
    for (wchar_t& c : a.version) c = static_cast<wchar_t>(in.U16());
    if (a.version[kVersionChars - 1] != 0) return Refuse(why, "version not terminated", 0);
    answer = a;
    return true;
}

}  // namespace remote
