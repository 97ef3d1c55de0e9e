#pragma once
// The global hot key on the main window: Ctrl+Alt and one key. What the
// user is told always names the key that works, never one that does not.
#include <windows.h>

#include <string>

class CHotKeyRegistration {
public:
    // The id the main window's hot key has from start to end.
    static constexpr int kId = 0x5000;

    // Registers Ctrl+Alt+`vk` on `window`, logged either way.
    static bool Register(HWND window, UINT vk);
    // Moves the hot key from `from` to `to`. When `to` is taken, `from` is
    // registered again; `fromKept` says whether that worked.
    static bool Move(HWND window, UINT from, UINT to, bool& fromKept);
    // "Ctrl+Alt+K"
    static std::wstring Name(UINT vk);
    // The status line when the stored key is taken at start-up.
    static std::wstring TakenText(UINT taken);
    // The notice when a new key is taken: the kept key is named, or, when
    // none works, what the user can do.
    static std::wstring RefusedText(UINT taken, UINT kept, bool keptWorks);
};
