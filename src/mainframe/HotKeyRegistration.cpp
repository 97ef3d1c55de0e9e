#include "mainframe/HotKeyRegistration.h"

#include "log/BaseLog.h"
#include "mainframe/Notice.h"
#include "settings/Settings.h"

namespace {

// Language texts name keys as "%1" and "%2", in whatever order the language needs.
std::wstring Fill(std::wstring text, const wchar_t* mark, const std::wstring& value) {
    const size_t at = text.find(mark);
    if (at != std::wstring::npos) text.replace(at, 2, value);
    return text;
}

}  // namespace

bool CHotKeyRegistration::Register(HWND window, UINT vk) {
    if (::RegisterHotKey(window, kId, MOD_ALT | MOD_CONTROL, vk)) {
        VLOG("hot key Ctrl+Alt+%c registered", (char)vk);
        return true;
    }
    VLOG("hot key Ctrl+Alt+%c not registered (error %lu)", (char)vk, ::GetLastError());
    return false;
}

bool CHotKeyRegistration::Move(HWND window, UINT from, UINT to, bool& fromKept) {
    ::UnregisterHotKey(window, kId);
    fromKept = false;
    if (Register(window, to)) return true;
    // Keep the key that worked until now rather than leave the program
    // without any hot key for the rest of the run.
    fromKept = from && ::RegisterHotKey(window, kId, MOD_ALT | MOD_CONTROL, from);
    if (fromKept) VLOG("hot key Ctrl+Alt+%c registered again", (char)from);
    return false;
}

std::wstring CHotKeyRegistration::Name(UINT vk) { return L"Ctrl+Alt+" + std::wstring(1, static_cast<wchar_t>(vk)); }

std::wstring CHotKeyRegistration::TakenText(UINT taken) {
    return Fill(GetLanguageString(L"STR_HOTKEYTAKEN"), L"%1", Name(taken));
}

std::wstring CHotKeyRegistration::RefusedText(UINT taken, UINT kept, bool keptWorks) {
    if (!keptWorks) return JoinSentences(TakenText(taken), GetLanguageString(L"STR_HINTHOTKEY"));
    return Fill(Fill(GetLanguageString(L"STR_HOTKEYKEPT"), L"%1", Name(taken)), L"%2", Name(kept));
}
