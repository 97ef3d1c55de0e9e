#include "console/StatusText.h"

#include <cwchar>

#include "settings/Settings.h"

namespace {

const wchar_t* const kStateKeys[] = {L"STR_CLI_STOCK", L"STR_CLI_OVERCLOCKING", L"STR_CLI_OVERCLOCKED",
                                     L"STR_CLI_RESTORING"};
const char* const kStateNames[] = {"stock", "overclocking", "overclocked", "restoring"};

std::wstring Ghz(uint32_t mhz) {
    wchar_t text[32];
    swprintf(text, 32, L"%.1f GHz", mhz / 1000.0);
    return text;
}

// A ratio in hundredths, without trailing zeros: "43", "43.5".
std::wstring Ratio(uint32_t centi) {
    wchar_t text[32];
    if (centi % 100 == 0) swprintf(text, 32, L"%u", centi / 100);
    else if (centi % 10 == 0) swprintf(text, 32, L"%u.%u", centi / 100, (centi / 10) % 10);
    else swprintf(text, 32, L"%u.%02u", centi / 100, centi % 100);
    return text;
}

std::wstring Ratios(const remote::Answer& answer, const wchar_t* separator) {
    std::wstring text;
    for (uint16_t i = 0; i < answer.coreCount; ++i) text += (i ? separator : L"") + Ratio(answer.ratiosCenti[i]);
    return text;
}

std::wstring JsonNumber(uint32_t mhz) {
    wchar_t text[32];
    swprintf(text, 32, L"%.3f", mhz / 1000.0);
    return text;
}

// Anything but plain printable ASCII as \u escapes.
std::wstring JsonString(const wchar_t* text) {
    std::wstring out = L"\"";
    for (const wchar_t* c = text; *c; ++c) {
        if (*c >= 0x20 && *c < 0x7F && *c != L'"' && *c != L'\\') {
            out += *c;
        } else {
            wchar_t escape[8];
            swprintf(escape, 8, L"\\u%04x", static_cast<unsigned>(*c));
            out += escape;
        }
    }
    return out + L"\"";
}

}  // namespace

std::wstring CStatusText::Line(const remote::Answer& answer) {
    std::wstring line = GetLanguageString(kStateKeys[answer.status]);
    if (answer.frequencyMHz) line += L" " + Ghz(answer.frequencyMHz);
    if (answer.maxTurboMHz && answer.status != 2)
        line += L" (" + GetLanguageString(L"STR_CLI_MAXTURBO") + L" " + Ghz(answer.maxTurboMHz) + L")";
    return line;
}

std::wstring CStatusText::AfterRun(const remote::Answer& answer, const wchar_t* wordKey) {
    std::wstring line = GetLanguageString(wordKey);
    if (answer.coreCount)
        line += L" (" + GetLanguageString(L"STR_CLI_RATIOS") + L" " + Ratios(answer, L" ") + L")";
    return line;
}

std::wstring CStatusText::Json(const remote::Answer& answer) {
    std::wstring json = L"{\"state\":\"";
    for (const char* c = kStateNames[answer.status]; *c; ++c) json += static_cast<wchar_t>(*c);
    json += L"\",\"status\":" + std::to_wstring(answer.status);
    json += L",\"frequencyGHz\":" + (answer.frequencyMHz ? JsonNumber(answer.frequencyMHz) : L"null");
    json += L",\"maxTurboGHz\":" + (answer.maxTurboMHz ? JsonNumber(answer.maxTurboMHz) : L"null");
    json += L",\"coreRatios\":[" + Ratios(answer, L",") + L"]";
    json += L",\"version\":" + JsonString(answer.version);
    json += L",\"runInProgress\":" + std::wstring(answer.runInProgress ? L"true" : L"false") + L"}";
    return json;
}

std::wstring CStatusText::JsonNotRunning() {
    return L"{\"state\":\"not running\",\"status\":null,\"frequencyGHz\":null,\"maxTurboGHz\":null,"
           L"\"coreRatios\":[],\"version\":null,\"runInProgress\":false}";
}
