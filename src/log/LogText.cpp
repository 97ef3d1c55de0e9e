#include "log/LogText.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

constexpr int kFormatChars = 512;
// The most bytes one UTF-16 unit becomes in any ANSI code page (UTF-8).
constexpr int kBytesPerUnit = 3;

enum class Length { None, Char, Short, Long, LongLong, Max, Size, Diff, LongDouble };

// Appends to a wide buffer, dropping what no longer fits.
class WideSink {
public:
    WideSink(wchar_t* out, int capacity) : m_out(out), m_room(capacity > 0 ? capacity - 1 : 0) {
        if (capacity > 0) out[0] = 0;
    }
    void Put(wchar_t c) {
        if (m_count < m_room) m_out[m_count++] = c;
        if (m_room > 0) m_out[m_count] = 0;
    }
    void Put(const wchar_t* text, size_t n) {
        for (size_t i = 0; i < n; ++i) Put(text[i]);
    }
    // `text` padded with spaces to `width` columns, on the left unless `left`.
    void PutPadded(const wchar_t* text, size_t n, int width, bool left) {
        size_t pad = width > 0 && (size_t)width > n ? (size_t)width - n : 0;
        if (!left) Repeat(L' ', pad);
        Put(text, n);
        if (left) Repeat(L' ', pad);
    }
    int Room() const { return m_room - m_count; }
    int Count() const { return m_count; }

private:
    void Repeat(wchar_t c, size_t n) {
        for (size_t i = 0; i < n && m_count < m_room; ++i) Put(c);
    }
    wchar_t* m_out;
    int m_room;
    int m_count = 0;
};

// One conversion of the format: its flags, width and precision as a wide
// printf prefix ("%-08.3"), the numbers behind them, and its length.
struct Conversion {
    wchar_t prefix[48] = L"%";
    int used = 1;
    int width = -1;
    int precision = -1;
    bool left = false;
    Length length = Length::None;

    void Add(wchar_t c) {
        if (used < 40) prefix[used++] = c;
        prefix[used] = 0;
    }
    void AddNumber(int n) {
        wchar_t digits[16];
        int k = std::swprintf(digits, 16, L"%d", n);
        for (int i = 0; i < k; ++i) Add(digits[i]);
    }
};

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Reads flags, width, precision and length at `p`; `*` takes an int argument.
const wchar_t* ReadConversion(const wchar_t* p, va_list* args, Conversion* c) {
    while (*p && std::wcschr(L"-+ #0", *p)) {
        if (*p == L'-') c->left = true;
        c->Add(*p++);
    }
    if (*p == L'*') {
        c->width = va_arg(*args, int);
        if (c->width < 0) {
            c->left = true;
            c->width = -c->width;
            c->Add(L'-');
        }
        c->AddNumber(c->width);
        ++p;
    } else if (IsDigit(*p)) {
        c->width = 0;
        while (IsDigit(*p)) {
            c->width = c->width * 10 + (*p - L'0');
            c->Add(*p++);
        }
    }
    if (*p == L'.') {
        c->Add(*p++);
        c->precision = 0;
        if (*p == L'*') {
            int given = va_arg(*args, int);
            c->precision = given < 0 ? -1 : given;
            c->AddNumber(given < 0 ? 0 : given);
            ++p;
        } else {
            while (IsDigit(*p)) c->precision = c->precision * 10 + (*p++ - L'0');
            c->AddNumber(c->precision);
        }
    }
    if (p[0] == L'h' && p[1] == L'h') { c->length = Length::Char; p += 2; }
    else if (p[0] == L'l' && p[1] == L'l') { c->length = Length::LongLong; p += 2; }
    else if (*p == L'h') { c->length = Length::Short; ++p; }
    else if (*p == L'l') { c->length = Length::Long; ++p; }
    else if (*p == L'q') { c->length = Length::LongLong; ++p; }
    else if (*p == L'j') { c->length = Length::Max; ++p; }
    else if (*p == L'z') { c->length = Length::Size; ++p; }
    else if (*p == L't') { c->length = Length::Diff; ++p; }
    else if (*p == L'L') { c->length = Length::LongDouble; ++p; }
    return p;
}

long long SignedArgument(va_list* args, Length length) {
    switch (length) {
        case Length::Char: return (signed char)va_arg(*args, int);
        case Length::Short: return (short)va_arg(*args, int);
        case Length::Long: return va_arg(*args, long);
        case Length::LongLong: return va_arg(*args, long long);
        case Length::Max: return va_arg(*args, intmax_t);
        case Length::Size: return (long long)va_arg(*args, size_t);
        case Length::Diff: return va_arg(*args, ptrdiff_t);
        default: return va_arg(*args, int);
    }
}

unsigned long long UnsignedArgument(va_list* args, Length length) {
    switch (length) {
        case Length::Char: return (unsigned char)va_arg(*args, unsigned);
        case Length::Short: return (unsigned short)va_arg(*args, unsigned);
        case Length::Long: return va_arg(*args, unsigned long);
        case Length::LongLong: return va_arg(*args, unsigned long long);
        case Length::Max: return va_arg(*args, uintmax_t);
        case Length::Size: return va_arg(*args, size_t);
        case Length::Diff: return (unsigned long long)va_arg(*args, ptrdiff_t);
        default: return va_arg(*args, unsigned);
    }
}

// Numbers go through the C runtime one at a time, each with its own prefix.
template <typename T>
void PutNumber(WideSink* sink, Conversion* c, const wchar_t* tail, T value) {
    for (const wchar_t* t = tail; *t; ++t) c->Add(*t);
    wchar_t text[kFormatChars];
    text[0] = 0;
    text[kFormatChars - 1] = 0;
    int n = std::swprintf(text, kFormatChars - 1, c->prefix, value);
    if (n < 0) n = (int)wcsnlen(text, kFormatChars - 1);
    sink->Put(text, (size_t)n);
}

// A narrow string argument, widened from the ANSI code page: only as much of
// it as can still show, cut between characters.
void PutNarrowString(WideSink* sink, const Conversion& c, const char* text) {
    if (!text) text = "(null)";
    size_t bytes = c.precision >= 0 ? strnlen(text, (size_t)c.precision) : std::strlen(text);
    int room = sink->Room();
    bytes = LogText::WholeCharacters(text, bytes, room > 0 ? (size_t)room : 0);
    wchar_t wide[kFormatChars];
    int n = bytes == 0 ? 0 : MultiByteToWideChar(CP_ACP, 0, text, (int)bytes, wide, kFormatChars);
    sink->PutPadded(wide, n > 0 ? (size_t)n : 0, c.width, c.left);
}

void PutWideString(WideSink* sink, const Conversion& c, const wchar_t* text) {
    if (!text) text = L"(null)";
    size_t n = c.precision >= 0 ? wcsnlen(text, (size_t)c.precision) : std::wcslen(text);
    sink->PutPadded(text, n, c.width, c.left);
}

void PutNarrowChar(WideSink* sink, const Conversion& c, int value) {
    char byte = (char)value;
    wchar_t wide = L'?';
    if (MultiByteToWideChar(CP_ACP, 0, &byte, 1, &wide, 1) != 1) wide = L'?';
    sink->PutPadded(&wide, 1, c.width, c.left);
}

}  // namespace

namespace LogText {

int FormatWide(const char* format, va_list args, wchar_t* out, int capacity) {
    WideSink sink(out, capacity);
    wchar_t wide[kFormatChars + 1] = {};
    if (MultiByteToWideChar(CP_ACP, 0, format, -1, wide, kFormatChars) <= 0) return 0;
    wide[kFormatChars] = 0;
    va_list ap;
    va_copy(ap, args);
    for (const wchar_t* p = wide; *p; ++p) {
        if (*p != L'%') {
            sink.Put(*p);
            continue;
        }
        if (p[1] == L'%') {
            sink.Put(L'%');
            ++p;
            continue;
        }
        Conversion c;
        const wchar_t* q = ReadConversion(p + 1, &ap, &c);
        const bool wideArg = c.length == Length::Long;
        switch (*q) {
            case L'd': case L'i':
                PutNumber(&sink, &c, L"lld", SignedArgument(&ap, c.length));
                break;
            case L'u': case L'o': case L'x': case L'X': {
                const wchar_t tail[] = {L'l', L'l', *q, 0};
                PutNumber(&sink, &c, tail, UnsignedArgument(&ap, c.length));
                break;
            }
            case L'f': case L'F': case L'e': case L'E': case L'g': case L'G': case L'a': case L'A': {
                const wchar_t tail[] = {*q, 0};
                double value = c.length == Length::LongDouble ? (double)va_arg(ap, long double) : va_arg(ap, double);
                PutNumber(&sink, &c, tail, value);
                break;
            }
            case L'p': PutNumber(&sink, &c, L"p", va_arg(ap, void*)); break;
            case L's':
                if (wideArg) PutWideString(&sink, c, va_arg(ap, const wchar_t*));
                else PutNarrowString(&sink, c, va_arg(ap, const char*));
                break;
            case L'S':
                if (c.length == Length::Short) PutNarrowString(&sink, c, va_arg(ap, const char*));
                else PutWideString(&sink, c, va_arg(ap, const wchar_t*));
                break;
            case L'c':
                if (wideArg) {
                    wchar_t ch = (wchar_t)va_arg(ap, int);
                    sink.PutPadded(&ch, 1, c.width, c.left);
                } else {
                    PutNarrowChar(&sink, c, va_arg(ap, int));
                }
                break;
            case L'C':
                if (c.length == Length::Short) {
                    PutNarrowChar(&sink, c, va_arg(ap, int));
                } else {
                    wchar_t ch = (wchar_t)va_arg(ap, int);
                    sink.PutPadded(&ch, 1, c.width, c.left);
                }
                break;
            case L'n': (void)va_arg(ap, void*); break;  // never written through
            default:
                // Not a conversion: the text stands as written.
                sink.Put(p, (size_t)(q - p) + (*q ? 1 : 0));
                break;
        }
        if (!*q) break;
        p = q;
    }
    va_end(ap);
    return sink.Count();
}

int NarrowWhole(const wchar_t* text, char* out, int capacity) {
    if (capacity <= 0) return 0;
    out[0] = 0;
    int n = WideCharToMultiByte(CP_ACP, 0, text, -1, out, capacity, nullptr, nullptr);
    if (n > 0) return n - 1;
    // Longer than the buffer: narrow all of it, then keep whole characters.
    char all[kFormatChars * kBytesPerUnit + 4];
    int units = (int)wcsnlen(text, kFormatChars - 1);
    int m = WideCharToMultiByte(CP_ACP, 0, text, units, all, (int)sizeof(all), nullptr, nullptr);
    if (m <= 0) return 0;
    size_t keep = WholeCharacters(all, (size_t)m, (size_t)capacity - 1);
    std::memcpy(out, all, keep);
    out[keep] = 0;
    return (int)keep;
}

size_t WholeCharacters(const char* text, size_t len, size_t limit) {
    if (len <= limit) return len;
    if (GetACP() == CP_UTF8) {
        size_t cut = limit;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
        return cut;
    }
    CPINFO info;
    if (!GetCPInfo(CP_ACP, &info) || info.MaxCharSize < 2) return limit;
    size_t i = 0;
    while (i < limit) {
        size_t step = IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(text[i])) && i + 1 < len ? 2 : 1;
        if (i + step > limit) break;
        i += step;
    }
    return i;
}

}  // namespace LogText
