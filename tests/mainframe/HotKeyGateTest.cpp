// The hot key's press counts only when typed on a keyboard. Wine gives every
// key a device, injected or not, so the rule is checked here on the pairing
// itself: raw key events and hot-key messages in the orders the systems
// deliver them, from a device and without one.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "mainframe/HotKeyGate.h"

namespace {

struct Step {
    char kind;  // 'd'/'u' raw key down/up from a device, 'D'/'U' injected, 'H' the hot-key message
    UINT vk;
};

// Feeds the steps; the number of presses acted on.
int Acted(std::initializer_list<Step> steps) {
    CHotKeyGate gate;
    int acted = 0;
    for (const Step& s : steps) {
        bool act = false;
        if (s.kind == 'H') {
            act = gate.OnHotKey(s.vk);
        } else {
            CHotKeyGate::RawKey key;
            key.vk = s.vk;
            key.down = s.kind == 'd' || s.kind == 'D';
            key.fromDevice = s.kind == 'd' || s.kind == 'u';
            act = gate.OnRaw(key);
        }
        acted += act ? 1 : 0;
    }
    return acted;
}

constexpr UINT C = VK_CONTROL, A = VK_MENU, O = 'O';

}  // namespace

TEST(HotKeyGate, OnlyAPressTypedOnAKeyboardCountsInEitherOrder) {
    struct Case {
        const char* what;
        int acted;
        std::initializer_list<Step> steps;
    } cases[] = {
        {"device, raw first (Windows)", 1, {{'d', C}, {'d', A}, {'d', O}, {'H', O}, {'u', O}, {'u', A}, {'u', C}}},
        {"device, hot key between the raw keys (Wine, xdotool)", 1, {{'d', C}, {'H', O}, {'d', A}, {'d', O}}},
        {"injected, hot key first", 0, {{'H', O}, {'D', C}, {'D', A}, {'D', O}, {'U', O}, {'U', A}, {'U', C}}},
        {"injected, raw first", 0, {{'D', C}, {'D', A}, {'D', O}, {'H', O}}},
        {"injected key while Ctrl+Alt are held on the keyboard", 0, {{'d', C}, {'d', A}, {'D', O}, {'H', O}}},
        {"key typed while injected Ctrl+Alt are down", 0, {{'D', C}, {'D', A}, {'d', O}, {'H', O}}},
        {"a device press without the hot key does not stand in for an injected one", 0,
         {{'d', O}, {'u', O}, {'D', C}, {'D', A}, {'H', O}, {'D', O}}},
        {"Shift held too: no hot key press, none left over", 0,
         {{'d', C}, {'d', A}, {'d', VK_SHIFT}, {'d', O}, {'u', VK_SHIFT}, {'D', O}, {'H', O}}},
        {"a held key repeats: each repeat is paired", 3,
         {{'d', C}, {'d', A}, {'d', O}, {'H', O}, {'d', O}, {'H', O}, {'H', O}, {'d', O}}},
        {"a typed and an injected press in turn", 1,
         {{'d', C}, {'d', A}, {'d', O}, {'H', O}, {'u', A}, {'u', C}, {'D', C}, {'D', A}, {'H', O}, {'D', O}}},
    };
    for (const Case& c : cases) EXPECT_EQ(Acted(c.steps), c.acted) << c.what;
}
