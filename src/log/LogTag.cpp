#include "log/LogTag.h"

#include <cstring>

void BuildLogTag(const char* file, const char* function, char (&tag)[kLogTagBytes]) {
    std::memset(tag, ' ', kLogTagWidth);
    tag[kLogTagWidth] = 0;
    if (!file) file = "";
    if (!function) function = "";
    int fn = (int)std::strlen(function);
    if (fn >= kLogTagWidth) {
        std::memcpy(tag, function + fn - kLogTagWidth, kLogTagWidth);
        return;
    }
    int pos = kLogTagWidth - fn;
    std::memcpy(tag + pos, function, fn);
    if (fn == kLogTagWidth - 1) return;  // one space left, no room for a bar
    tag[--pos] = '|';
    int fl = (int)std::strlen(file);
    int take = fl < pos ? fl : pos;
    std::memcpy(tag + pos - take, file + fl - take, take);
}
