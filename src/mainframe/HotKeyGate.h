#pragma once
// The global hot key is matched by the system in the input stream whatever
// window is in front, so a process that may not touch the elevated window
// can still make the key with SendInput. A press counts only when the
// system's raw input (read even while the window is hidden) shows the key
// came from a keyboard device, with Ctrl and Alt held on a device too:
// injected keys carry no device.
#include <windows.h>

#include <deque>

#include "base/NonCopyable.h"

class CHotKeyGate : private vt::NonCopyable {
public:
    // One raw key event as the gate needs it.
    struct RawKey {
        UINT vk = 0;
        bool down = false;
        bool fromDevice = false;
    };

    // Asks for the keyboard's raw input on `window`, even in the background;
    // false (and logged) when refused: every press is then refused.
    bool Start(HWND window, int hotKeyId);

    // WM_INPUT or WM_HOTKEY of the window: true when the hot key's press is
    // to be acted on now. Other messages: false.
    bool Pass(UINT message, WPARAM wParam, LPARAM lParam);

    // The pairing of hot-key messages with raw key-downs, in whatever order
    // the two arrive. Each returns true when a press is to be acted on now.
    bool OnRaw(const RawKey& key);
    bool OnHotKey(UINT vk);

private:
    struct Press {
        UINT vk;
        bool genuine;
    };
    enum : unsigned { kCtrl = 1, kAlt = 2, kShift = 4, kWin = 8 };
    static unsigned ModifierOf(UINT vk);
    bool Decide(UINT vk, bool genuine);
    bool ReadRaw(LPARAM lParam, RawKey& key) const;

    int m_hotKeyId = 0;
    bool m_bStarted = false;
    // An administrator's switch: keys with this extra information are taken
    // as injected (Wine gives injected keys a device, Windows never does).
    ULONG m_injectedMark = 0;
    unsigned m_held = 0;        // modifiers down, from any source
    unsigned m_heldOnDevice = 0;
    std::deque<Press> m_presses;  // raw presses of Ctrl+Alt+key not yet matched
    std::deque<UINT> m_hotKeys;   // hot-key messages not yet matched
};
