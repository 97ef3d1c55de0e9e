#include "base/ThreadStack.h"

#include <windows.h>

#include <cstdint>

namespace vt {

void ReleaseUnusedStack() {
    MEMORY_BASIC_INFORMATION region{};
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    const uintptr_t page = system.dwPageSize ? system.dwPageSize : 4096;
    const uintptr_t here = reinterpret_cast<uintptr_t>(&region);
    if (here < kKeptStackBytes + page) return;
    const uintptr_t below = (here - kKeptStackBytes) & ~(page - 1);
    if (!VirtualQuery(&region, &region, sizeof region)) return;
    void* const stack = region.AllocationBase;
    // The stack's reservation, from its bottom (a guard and, on Windows, the
    // part never committed) up to `below`; only read-write pages are ours
    // to drop.
    uintptr_t at = reinterpret_cast<uintptr_t>(stack);
    while (at < below && VirtualQuery(reinterpret_cast<void*>(at), &region, sizeof region) &&
           region.AllocationBase == stack) {
        const uintptr_t start = reinterpret_cast<uintptr_t>(region.BaseAddress);
        uintptr_t end = start + region.RegionSize;
        if (end > below) end = below;
        if (end <= start) break;
        if (region.State == MEM_COMMIT && region.Protect == PAGE_READWRITE) {
            void* const pages = region.BaseAddress;
            const SIZE_T size = end - start;
            // MEM_RESET lets the system drop the contents (Wine frees the
            // pages); unlocking pages that are not locked takes them out of
            // the working set on Windows, and fails as documented.
            if (VirtualAlloc(pages, size, MEM_RESET, PAGE_READWRITE)) VirtualUnlock(pages, size);
        }
        at = end;
    }
}

}  // namespace vt
