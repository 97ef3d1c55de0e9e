#include "mainframe/HotKeyGate.h"

#include <cwchar>

#include "log/BaseLog.h"
#include "settings/ProgramSwitches.h"

namespace {

// Either side may run ahead of the other by a press or two (the system
// queues hot keys and raw input apart); anything older is dropped, so a
// press made while no hot key was registered cannot stand in for a later one.
constexpr size_t kMaxUnmatched = 2;

}  // namespace

bool CHotKeyGate::Start(HWND window, int hotKeyId) {
    m_hotKeyId = hotKeyId;
    m_presses.clear();
    m_hotKeys.clear();
    if (m_bStarted) return true;
    // TEST_INJECTED_MARK=<n> (the program's switch file): Wine reports a
    // device for injected keys, so a test marks its injected ones instead.
    m_injectedMark = std::wcstoul(ProgramSwitches::Value(L"TEST_INJECTED_MARK").c_str(), nullptr, 0);
    RAWINPUTDEVICE keyboard = {};
    keyboard.usUsagePage = 0x01;  // generic desktop
    keyboard.usUsage = 0x06;      // keyboard
    keyboard.dwFlags = RIDEV_INPUTSINK;
    keyboard.hwndTarget = window;
    m_bStarted = ::RegisterRawInputDevices(&keyboard, 1, sizeof(keyboard)) != FALSE;
    if (!m_bStarted) VLOG("hot key: raw keyboard input refused (error %lu): every press is refused", ::GetLastError());
    return m_bStarted;
}

bool CHotKeyGate::ReadRaw(LPARAM lParam, RawKey& key) const {
    RAWINPUT input = {};
    UINT size = sizeof(input);
    const UINT got = ::GetRawInputData(reinterpret_cast<HRAWINPUT>(lParam), RID_INPUT, &input, &size,
                                       sizeof(RAWINPUTHEADER));
    if (got == static_cast<UINT>(-1) || got < sizeof(RAWINPUTHEADER) || input.header.dwType != RIM_TYPEKEYBOARD)
        return false;
    const RAWKEYBOARD& k = input.data.keyboard;
    key.vk = k.VKey;
    key.down = (k.Flags & RI_KEY_BREAK) == 0;
    key.fromDevice = input.header.hDevice != nullptr && !(m_injectedMark != 0 && k.ExtraInformation == m_injectedMark);
    return true;
}

bool CHotKeyGate::Pass(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HOTKEY && wParam == static_cast<WPARAM>(m_hotKeyId))
        return m_bStarted ? OnHotKey(HIWORD(lParam)) : Decide(HIWORD(lParam), false);
    RawKey key;
    return message == WM_INPUT && m_bStarted && ReadRaw(lParam, key) && OnRaw(key);
}

unsigned CHotKeyGate::ModifierOf(UINT vk) {
    switch (vk) {
        case VK_CONTROL: case VK_LCONTROL: case VK_RCONTROL: return kCtrl;
        case VK_MENU: case VK_LMENU: case VK_RMENU: return kAlt;
        case VK_SHIFT: case VK_LSHIFT: case VK_RSHIFT: return kShift;
        case VK_LWIN: case VK_RWIN: return kWin;
        default: return 0;
    }
}

bool CHotKeyGate::OnRaw(const RawKey& key) {
    if (const unsigned mod = ModifierOf(key.vk)) {
        if (key.down) m_held |= mod;
        else m_held &= ~mod;
        if (key.down && key.fromDevice) m_heldOnDevice |= mod;
        else if (!key.down) m_heldOnDevice &= ~mod;
        return false;
    }
    // Only what the system matches to Ctrl+Alt+key is a hot-key press.
    if (!key.down || m_held != (kCtrl | kAlt)) return false;
    const bool genuine = key.fromDevice && (m_heldOnDevice & (kCtrl | kAlt)) == (kCtrl | kAlt);
    for (auto it = m_hotKeys.begin(); it != m_hotKeys.end(); ++it) {
        if (*it != key.vk) continue;
        m_hotKeys.erase(m_hotKeys.begin(), it + 1);
        return Decide(key.vk, genuine);
    }
    m_presses.push_back(Press{key.vk, genuine});
    if (m_presses.size() > kMaxUnmatched) m_presses.pop_front();
    return false;
}

bool CHotKeyGate::OnHotKey(UINT vk) {
    for (auto it = m_presses.begin(); it != m_presses.end(); ++it) {
        if (it->vk != vk) continue;
        const bool genuine = it->genuine;
        m_presses.erase(m_presses.begin(), it + 1);
        return Decide(vk, genuine);
    }
    // The raw side has not told this press yet: it decides when it does.
    m_hotKeys.push_back(vk);
    if (m_hotKeys.size() > kMaxUnmatched) m_hotKeys.pop_front();
    return false;
}

bool CHotKeyGate::Decide(UINT vk, bool genuine) {
    if (!genuine) VLOG("hot key Ctrl+Alt+%c ignored: not typed on a keyboard", static_cast<char>(vk));
    return genuine;
}
