#pragma once
// The footer's links. The program runs elevated, so a link's text, which
// comes from the skin, may open nothing but a web page: an address other
// than http or https is never handed to the shell, and a web page is
// opened by the desktop's shell, never by a browser started from here.
#include <windows.h>

#include <string>

namespace DuiLib {
class CControlUI;
}

class CWebLink {
public:
    // True for "http://host..." or "https://host..." (any letter case) with
    // a host and no spaces, control characters or quotes.
    static bool IsWebAddress(const std::wstring& address);

    // A link without an address is inert: no hover, no hand cursor, no click,
    // no tab stop.
    static void Prepare(DuiLib::CControlUI* link);

    // Opens the link's address through the desktop's shell, with the
    // user's ordinary rights, when it is a web address; every refusal is
    // logged. Where the desktop's shell cannot take it, nothing is opened
    // and a notice over `owner` gives the address. True when it took it.
    static bool Open(const std::wstring& address, HWND owner = nullptr);
};
