#include "WizardPage.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>

#include "base/Win32Owners.h"

namespace {

// NSIS's own control identifiers.
constexpr int kSpaceRequired = 1023;
constexpr int kDetailsList = 1016;

// A block of another process's memory, given back when it goes: a list
// view answers for its items' texts only into its own process's memory.
class RemoteBlock {
public:
    RemoteBlock(HANDLE process, size_t size)
        : m_process(process), m_at(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
    ~RemoteBlock() {
        if (m_at) VirtualFreeEx(m_process, m_at, 0, MEM_RELEASE);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;
    uintptr_t At() const { return reinterpret_cast<uintptr_t>(m_at); }

private:
    HANDLE m_process;
    void* m_at;
};

}  // namespace

namespace WizardPage {

HWND ShownPage(HWND wizard) {
    HWND page = FindWindowExW(wizard, nullptr, L"#32770", nullptr);
    return page && IsWindowVisible(page) ? page : nullptr;
}

bool ShowsSpaceRequired(HWND page) {
    HWND line = GetDlgItem(page, kSpaceRequired);
    return line && IsWindowVisible(line) && GetWindowTextLengthW(line) > 0;
}

std::vector<std::wstring> DetailsLines(HWND page) {
    std::vector<std::wstring> lines;
    HWND list = GetDlgItem(page, kDetailsList);
    DWORD pid = 0;
    if (!list || !GetWindowThreadProcessId(list, &pid)) return lines;
    vt::UniqueHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    if (!process) return lines;
    constexpr int kChars = 1024;
    // The item in this process's own layout: under Wine a 64-bit caller's
    // item reaches the 32-bit list converted (one laid out the 32-bit way
    // comes back empty); Windows would want the list's own layout.
    RemoteBlock block(process.Get(), sizeof(LVITEMW) + kChars * sizeof(wchar_t));
    if (!block.At()) return lines;
    auto* remoteItem = reinterpret_cast<void*>(block.At());
    auto* remoteText = reinterpret_cast<wchar_t*>(block.At() + sizeof(LVITEMW));
    const LRESULT count = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LVITEMW item = {};
        item.pszText = remoteText;
        item.cchTextMax = kChars;
        std::wstring text(kChars, L'\0');
        if (!WriteProcessMemory(process.Get(), remoteItem, &item, sizeof(item), nullptr)) break;
        const LRESULT length =
            SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remoteItem));
        if (!ReadProcessMemory(process.Get(), remoteText, &text[0], kChars * sizeof(wchar_t), nullptr)) break;
        text.resize(static_cast<size_t>(std::clamp<LRESULT>(length, 0, kChars - 1)));
        lines.push_back(text);
    }
    return lines;
}

}  // namespace WizardPage
