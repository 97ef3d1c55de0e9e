#include "log/BaseLog.h"

#include <shlwapi.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "log/LogClock.h"
#include "log/LogLinks.h"
#include "log/LogTag.h"
#include "log/LogText.h"

namespace {

constexpr int kTextBytes = 512;
constexpr int kLineBytes = 582;
constexpr DWORD kMaxKeptSize = 1048576;

// "日志系统初始化成功." in code page 936, as the first line of each opening.
const char kOpenedLine[] = "\xC8\xD5\xD6\xBE\xCF\xB5\xCD\xB3\xB3\xF5\xCA\xBC\xBB\xAF\xB3\xC9\xB9\xA6.";

// True when the format takes a wide string ("%S" or "%ls"). This C runtime's
// narrow formatter stops at the first character the code page lacks and still
// reports success, so such lines go straight to the wide pass.
bool TakesWideString(const char* format) {
    for (const char* p = format; *p; ++p) {
        if (*p != '%') continue;
        if (p[1] == '%') { ++p; continue; }
        const char* q = p + 1;
        while (*q && std::strchr("-+ #0123456789.*hlLqjzt", *q)) ++q;
        if (*q == 'S' || (*q == 's' && q - p >= 2 && q[-1] == 'l')) return true;
        p = *q ? q : q - 1;
    }
    return false;
}

// Right-aligned decimal in `width` columns padded with spaces (wider numbers
// take what they need), as "%<width>d" would print it.
char* PutNumber(char* p, long value, int width) {
    char digits[24];
    int n = 0;
    unsigned long v = value < 0 ? 0UL - (unsigned long)value : (unsigned long)value;
    do digits[n++] = char('0' + v % 10); while ((v /= 10) != 0);
    if (value < 0) digits[n++] = '-';
    for (int pad = width - n; pad > 0; --pad) *p++ = ' ';
    while (n > 0) *p++ = digits[--n];
    return p;
}

// "[%4d-%2d-%2d %2d:%2d:%2d][%4d][%s]---[%d]" without the formatter's cost:
// the log sits on every worker's path.
int FormatHead(char* out, const SYSTEMTIME& t, int line, const char* tag, DWORD threadId) {
    char* p = out;
    *p++ = '[';
    p = PutNumber(p, t.wYear, 4); *p++ = '-';
    p = PutNumber(p, t.wMonth, 2); *p++ = '-';
    p = PutNumber(p, t.wDay, 2); *p++ = ' ';
    p = PutNumber(p, t.wHour, 2); *p++ = ':';
    p = PutNumber(p, t.wMinute, 2); *p++ = ':';
    p = PutNumber(p, t.wSecond, 2);
    *p++ = ']'; *p++ = '[';
    p = PutNumber(p, line, 4);
    *p++ = ']'; *p++ = '[';
    std::memcpy(p, tag, kLogTagWidth);
    p += kLogTagWidth;
    std::memcpy(p, "]---[", 5);
    p += 5;
    p = PutNumber(p, (long)threadId, 1);
    *p++ = ']';
    return int(p - out);
}

}  // namespace

CBaseLog::CBaseLog() : m_enabled(0), m_path{} {}

CBaseLog* CBaseLog::Instance() {
    // Made on the main thread during start-up, before any other thread runs;
    // never destroyed so that late writers during exit stay safe.
    static CBaseLog* instance = new CBaseLog();
    return instance;
}

void CBaseLog::Enable(bool on) { InterlockedExchange(&m_enabled, on ? 1 : 0); }

const char* CBaseLog::PrepareFile() {
    std::memset(m_path, 0, sizeof(m_path));
    char module[MAX_PATH] = {};
    DWORD len = GetModuleFileNameA(nullptr, module, MAX_PATH);
    if (len == 0 || len >= MAX_PATH) return nullptr;
    if (!PathRemoveFileSpecA(module) || module[0] == 0) return nullptr;
    if (std::snprintf(m_path, sizeof(m_path), "%s\\log\\Velotune.log", module) >= (int)sizeof(m_path)) {
        std::memset(m_path, 0, sizeof(m_path));
        return nullptr;
    }
    // Only in the folder as checked, and never a link's target.
    if (!HoldFolder()) return m_path;
    vt::UniqueFile probe(CreateFileA(m_path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    DWORD size = 0;
    if (probe && !CLogLinks::RefusalOf(probe.Get(), false)) {
        size = GetFileSize(probe.Get(), nullptr);
        if (size == INVALID_FILE_SIZE) size = 0;
    }
    probe.Reset();
    if (size > kMaxKeptSize) DeleteFileA(m_path);
    return m_path;
}

bool CBaseLog::HoldFolder() {
    if (m_folder) return true;
    char folder[MAX_PATH] = {};
    DWORD len = GetModuleFileNameA(nullptr, folder, MAX_PATH);
    if (len == 0 || len >= MAX_PATH || !PathRemoveFileSpecA(folder) ||
        std::snprintf(folder + std::strlen(folder), MAX_PATH - std::strlen(folder), "\\log") >=
            (int)(MAX_PATH - std::strlen(folder)))
        return false;
    const char* why = nullptr;
    m_folder = CLogLinks::HoldFolder(folder, &why);
    if (why && !m_folderRefused) {
        // Nothing can be written to the log itself: the debugger hears it.
        m_folderRefused = true;
        char line[MAX_PATH + 96];
        std::snprintf(line, sizeof(line), "Velotune: log folder %s refused: %s; nothing is logged\n", folder, why);
        OutputDebugStringA(line);
    }
    return m_folder.Valid();
}

bool CBaseLog::OpenFile() {
    if (m_enabled == 0) return false;
    if (m_file) return true;
    bool open = false;
    const char* replaced = nullptr;
    {
        vt::LockGuard hold(m_lock);
        if (!m_file && m_path[0] && HoldFolder()) m_file = CLogLinks::OpenForAppend(m_path, &replaced);
        open = m_file.Valid();
    }
    if (!open) return false;
    Write(__LINE__, VT_LOG_FILE, "CBaseLog::LogOpenFile", "%s", kOpenedLine);
    if (replaced)
        Write(__LINE__, VT_LOG_FILE, "CBaseLog::LogOpenFile", "%s was %s: not written through, replaced by a new file",
              m_path, replaced);
    return true;
}

void CBaseLog::Write(int line, const char* file, const char* function, const char* format, ...) {
    if (format == nullptr || format[0] == 0) return;
    if (!OpenFile()) return;

    SYSTEMTIME now;
    LogClock::Now(&now);

    char tag[kLogTagBytes];
    BuildLogTag(file, function, tag);

    char text[kTextBytes] = {};
    int count = 0;
    if (std::strlen(format) >= (size_t)kTextBytes) {
        std::strcpy(text, "The format string is too long.");
        count = (int)std::strlen(text);
    } else if (!TakesWideString(format)) {
        va_list args;
        va_start(args, format);
        count = std::vsnprintf(text, kTextBytes, format, args);
        va_end(args);
        if (count >= kTextBytes) count = -1;  // cut: fall back to the wide pass
    }
    if (count <= 0 || text[0] == 0) {
        // Narrow formatting fails on wide arguments the ANSI code page cannot
        // hold, and cuts long texts anywhere: the wide pass replaces those
        // characters instead of losing the line, and cuts between characters.
        wchar_t wideText[kTextBytes] = {};
        va_list args;
        va_start(args, format);
        int n = LogText::FormatWide(format, args, wideText, kTextBytes);
        va_end(args);
        std::memset(text, 0, sizeof(text));
        if (n > 0) LogText::NarrowWhole(wideText, text, kTextBytes);
    }

    char out[kLineBytes];
    int head = FormatHead(out, now, line, tag, LogClock::ThreadId());
    // Cut the text, not the line end, so that an overlong line never glues
    // itself to the next one.
    size_t room = sizeof(out) - 1 - 2 - (size_t)head;
    size_t textLen = LogText::WholeCharacters(text, std::strlen(text), room);
    std::memcpy(out + head, text, textLen);
    std::memcpy(out + head + textLen, "\r\n", 2);
    DWORD total = (DWORD)(head + textLen + 2);

    vt::LockGuard hold(m_lock);
    if (m_file) {
        DWORD written = 0;
        WriteFile(m_file.Get(), out, total, &written, nullptr);
    }
}

void CBaseLog::WriteLastError(int line, const char* file, const char* function) {
    DWORD code = GetLastError();
    char text[MAX_PATH] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, text, sizeof(text), nullptr);
    if (n == 0) return;
    size_t len = std::strlen(text);
    if (len > 2 && text[len - 2] == '\r' && text[len - 1] == '\n') text[len - 2] = 0;
    Write(line, file, function, "ErrorCode = %d:%s", (int)code, text);
}

bool LogOpenFile() { return CBaseLog::Instance()->OpenFile(); }

void LogStartup() {
    CBaseLog* log = CBaseLog::Instance();
    char module[MAX_PATH] = {};
    DWORD len = GetModuleFileNameA(nullptr, module, MAX_PATH);
    // Renamed only inside the folder as checked (not a link).
    if (log->HoldFolder() && len > 0 && len < MAX_PATH && PathRemoveFileSpecA(module)) {
        SYSTEMTIME now;
        LogClock::Now(&now);
        char from[MAX_PATH + 32] = {};
        char to[MAX_PATH + 32] = {};
        std::snprintf(from, sizeof(from), "%s\\log\\Velotune.log", module);
        std::snprintf(to, sizeof(to), "%s\\log\\Velotune.%4d%02d%02d%02d%02d%02d.log", module,
                      now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
        wchar_t wfrom[MAX_PATH + 32] = {};
        wchar_t wto[MAX_PATH + 32] = {};
        MultiByteToWideChar(CP_ACP, 0, from, -1, wfrom, MAX_PATH + 32);
        MultiByteToWideChar(CP_ACP, 0, to, -1, wto, MAX_PATH + 32);
        MoveFileW(wfrom, wto);  // fails harmlessly: no file, no folder, target exists
    }
    const char* path = log->PrepareFile();
    if (log->IsEnabled()) return;
    if (path && path[0]) {
        log->Enable(true);
        LogOpenFile();
    } else {
        log->Enable(false);
    }
}
