#include "GarbledRun.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <iterator>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/Win32Owners.h"
#include "support/LogCapture.h"
#include "support/TestPaths.h"

namespace {

constexpr unsigned kOrdinarySeed = 20240611;

// The readers, with their share of a fuzz run: the ordinary suite's counts.
struct Reader {
    const char* name;
    const char* shown;  // in the suite's last line
    unsigned salt;
    int ordinary;
};
const Reader kReaders[] = {
    {"skin", "skin", 1, 3000},   {"ini", "INI", 2, 1500}, {"language", "language", 3, 1500},
    {"dial", "dial-record", 4, 4000}, {"sdk", "SDK", 5, 600},   {"png", "PNG", 6, 2000},
    {"update", "update-check", 7, 2000}, {"pipe", "command-pipe record", 8, 20000},
};

const Reader* Find(const std::string& name) {
    for (const Reader& r : kReaders)
        if (name == r.name) return &r;
    return nullptr;
}

const char* Arch() { return sizeof(void*) == 8 ? "x64" : "x86"; }

// What the watchdog, the crash filter and the progress file know of the
// case under way. The progress file is mapped: what was written last stays
// in it even when the process is ended at once (a fast-fail runs no handler).
struct Progress {
    std::atomic<const char*> reader{nullptr};
    std::atomic<int> index{0};
    std::atomic<long long> started{0};
    vt::UniqueHandle file, mapping;
    char* view = nullptr;
    vt::UniqueHandle stop, watcher;
} g_progress;

void Say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::string Named(const char* what) {
    const char* reader = g_progress.reader.load();
    const int i = g_progress.index.load();
    char line[160];
    std::snprintf(line, sizeof(line), "garbled input: %s case %d %s (seed %u); replay: ", reader ? reader : "?", i,
                  what, GarbledRun::Get().Seed());
    return line + GarbledRun::Get().ReplayCommand(i);
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* info) {
    char what[64];
    std::snprintf(what, sizeof(what), "ended the process (exception 0x%08lx)",
                  static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode));
    if (g_progress.reader.load()) Say(Named(what));
    return EXCEPTION_EXECUTE_HANDLER;
}

// A case gets at least 60 s: far beyond any real case, even on a loaded machine.
DWORD WINAPI Watch(LPVOID) {
    long long last = -1;
    while (WaitForSingleObject(g_progress.stop.Get(), 60000) == WAIT_TIMEOUT) {
        const long long now = g_progress.started.load();
        if (g_progress.reader.load() && now == last) {
            Say(Named("did not finish"));
            ExitProcess(3);
        }
        last = now;
    }
    return 0;
}

void MapProgressFile() {
    std::wstring dir = TestPaths::Join(TestPaths::TestDir(), L"garbled");
    CreateDirectoryW(dir.c_str(), nullptr);
    g_progress.file.Reset(CreateFileW(TestPaths::Join(dir, L"progress.txt").c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!g_progress.file) return;
    g_progress.mapping.Reset(CreateFileMappingW(g_progress.file.Get(), nullptr, PAGE_READWRITE, 0, 128, nullptr));
    if (g_progress.mapping)
        g_progress.view = static_cast<char*>(MapViewOfFile(g_progress.mapping.Get(), FILE_MAP_WRITE, 0, 0, 128));
}

// The log is opened for appending only, so it may be emptied under it.
void EmptyLog() {
    vt::UniqueFile log(CreateFileW(LogCapture::LogPath().c_str(), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (log) SetEndOfFile(log.Get());
}

}  // namespace

Garbage::Garbage(unsigned seed, unsigned salt, int index) {
    std::seed_seq seq{seed, salt, static_cast<unsigned>(index)};
    m_rng.seed(seq);
}

std::string Garbage::Bytes(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += (char)Int(0, 255);
    return s;
}

std::string Garbage::Repeat(const std::string& unit, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += unit;
    return s;
}

std::string Garbage::Number() {
    static const std::vector<std::string> odd = {
        "nan", "-nan", "inf", "-inf", "1e308", "-1e308", "1e999", "99999999999", "-99999999999",
        "2147483648", "-2147483649", "4294967296", "0x7FFFFFFF", "", " ", "-", "+", "--1", "1.5.6",
        "12abc", "abc", "\xEF\xBC\x91", "1,2", "0", "-0", "1e-400", "00000000000000000000001"};
    if (OneIn(3)) return std::to_string(Int(-1000, 1000));
    return Pick(odd);
}

GarbledRun& GarbledRun::Get() {
    static GarbledRun run;
    return run;
}

GarbledRun::GarbledRun() : m_seed(kOrdinarySeed), m_ran(std::size(kReaders)) {
    Parse();
    SetUnhandledExceptionFilter(&OnCrash);
    g_progress.stop.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    g_progress.watcher.Reset(CreateThread(nullptr, 0, &Watch, nullptr, 0, nullptr));
    if (m_fuzzing) MapProgressFile();
}

void GarbledRun::Parse() {
    const char* line = GetCommandLineA();
    auto value = [&](const char* key) -> const char* {
        const char* at = std::strstr(line, key);
        return at ? at + std::strlen(key) : nullptr;
    };
    if (const char* v = value("--fuzz-seed=")) m_seed = static_cast<unsigned>(std::strtoul(v, nullptr, 10));
    if (const char* v = value("--fuzz-cases=")) m_cases = std::strtoll(v, nullptr, 10);
    if (const char* v = value("--fuzz-seconds=")) m_seconds = std::strtod(v, nullptr);
    if (const char* v = value("--fuzz-replay=")) {
        const char* colon = std::strchr(v, ':');
        if (colon) {
            m_replayReader.assign(v, colon);
            char* end = nullptr;
            m_replayFirst = static_cast<int>(std::strtol(colon + 1, &end, 10));
            m_replayLast = *end == '-' ? static_cast<int>(std::strtol(end + 1, nullptr, 10)) : m_replayFirst;
        }
    }
    m_fuzzing = value("--fuzz-") != nullptr;
    if (m_fuzzing && m_cases <= 0 && m_seconds <= 0 && m_replayReader.empty()) m_cases = 1000000;
}

int GarbledRun::Planned(size_t reader) const {
    if (!m_fuzzing) return kReaders[reader].ordinary;
    if (m_cases <= 0) return INT_MAX;
    // Shares cut from the running sum, so that they add up to the count.
    long long total = 0, before = 0;
    for (size_t i = 0; i < std::size(kReaders); ++i) {
        total += kReaders[i].ordinary;
        if (i < reader) before += kReaders[i].ordinary;
    }
    const long long upTo = before + kReaders[reader].ordinary;
    return static_cast<int>(std::min<long long>(INT_MAX, m_cases * upTo / total - m_cases * before / total));
}

int GarbledRun::Run(const char* reader, const std::function<void(int first, int end)>& block) {
    const Reader* r = Find(reader);
    if (!r) {
        ADD_FAILURE() << "no reader " << reader;
        return 0;
    }
    long long first = 0, end = Planned(static_cast<size_t>(r - kReaders));
    if (!m_replayReader.empty()) {
        if (m_replayReader != reader) end = 0;
        else first = m_replayFirst, end = static_cast<long long>(m_replayLast) + 1;
    }
    m_reader = r->name;
    m_salt = r->salt;
    g_progress.reader = r->name;
    const DWORD start = GetTickCount();
    const double share = m_seconds / static_cast<double>(std::size(kReaders));
    DWORD said = start;
    int ran = 0;
    for (long long at = first; at < end; at += r->ordinary) {
        const DWORD now = GetTickCount();
        if (m_seconds > 0 && (now - start) / 1000.0 >= share) break;
        if (m_fuzzing && now - said >= 60000) {
            said = now;
            Say("garbled input: " + std::string(reader) + ": " + std::to_string(ran) + " cases so far");
        }
        const int stop = static_cast<int>(std::min(end, at + r->ordinary));
        if (m_fuzzing) EmptyLog();
        block(static_cast<int>(at), stop);
        ran += stop - static_cast<int>(at);
        if (::testing::Test::HasFatalFailure()) break;
    }
    g_progress.reader = nullptr;
    m_reader = nullptr;
    m_ran[static_cast<size_t>(r - kReaders)] += ran;
    if (m_fuzzing && ran > 0) {
        char line[160];
        std::snprintf(line, sizeof(line), "garbled input: %s: %d cases in %.0f s (seed %u)", reader, ran,
                      (GetTickCount() - start) / 1000.0, m_seed);
        Say(line);
    }
    return ran;
}

Garbage GarbledRun::Case(int i) {
    g_progress.index = i;
    ++g_progress.started;
    if (g_progress.view) {
        char text[128];
        std::memset(text, ' ', sizeof(text));
        int n = std::snprintf(text, sizeof(text), "%s %d %u", m_reader ? m_reader : "?", i, m_seed);
        if (n > 0 && n < static_cast<int>(sizeof(text))) text[n] = ' ';
        std::memcpy(g_progress.view, text, sizeof(text));
    }
    return Garbage(m_seed, m_salt, i);
}

bool GarbledRun::FullBlock(int first, int end) const {
    const Reader* r = m_reader ? Find(m_reader) : nullptr;
    return r && end - first == r->ordinary;
}

void GarbledRun::Keep(int i, const char* ext, const std::string& bytes) const {
    if (m_replayReader.empty()) return;
    std::wstring name = L"replay-" + std::wstring(m_replayReader.begin(), m_replayReader.end()) + L"-" +
                        std::to_wstring(i) + std::wstring(ext, ext + std::strlen(ext));
    std::wstring dir = TestPaths::Join(TestPaths::TestDir(), L"garbled");
    CreateDirectoryW(dir.c_str(), nullptr);
    TestPaths::WriteFileBytes(TestPaths::Join(dir, name), bytes);
}

std::string GarbledRun::ReplayCommand(int i) const {
    char line[160];
    std::snprintf(line, sizeof(line), "make fuzz ARCH=%s FUZZ_SEED=%u FUZZ_REPLAY=%s:%d", Arch(), m_seed,
                  m_reader ? m_reader : "?", i);
    return line;
}

std::string GarbledRun::Counts() const {
    std::string line;
    for (size_t i = 0; i < std::size(kReaders); ++i) {
        if (!line.empty()) line += ", ";
        line += std::to_string(m_ran[i]) + " " + kReaders[i].shown + " cases";
    }
    if (m_fuzzing) line += " (seed " + std::to_string(m_seed) + ")";
    return line;
}
