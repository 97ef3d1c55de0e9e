#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <atomic>
#include <memory>
#include <vector>

#include "base/ThreadStack.h"
#include "base/Win32Owners.h"
#include "support/WaitUntil.h"
#include "thread/BaseThread.h"

namespace {

constexpr UINT kTestMessage = WM_APP + 7;
constexpr DWORD kSafetyMs = 20000;

vt::UniqueHandle Duplicate(HANDLE h) {
    vt::UniqueHandle dup;
    DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), dup.Put(), 0, FALSE, DUPLICATE_SAME_ACCESS);
    return dup;
}

DWORD ExitCodeOf(HANDLE thread) {
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    return code;
}

// Collects its thread messages until WM_QUIT, then lingers a little so that
// a caller that does not wait would notice.
class QueueWorker : public base_thread {
public:
    int Run() override {
        runs.fetch_add(1);
        MSG m;
        while (GetMessageW(&m, nullptr, 0, 0) > 0)
            if (m.message == kTestMessage) received.push_back(m.wParam);
        Sleep(300);
        finished.store(true);
        return 42;
    }
    std::atomic<int> runs{0};
    std::atomic<bool> finished{false};
    std::vector<WPARAM> received;
};

// Waits for an outside event only: neither WM_QUIT nor the stop event ends it.
class StubbornWorker : public base_thread {
public:
    explicit StubbornWorker(HANDLE release) : m_release(release) {}
    int Run() override {
        started.store(true);
        WaitForSingleObject(m_release, INFINITE);
        finished.store(true);
        return 7;
    }
    std::atomic<bool> started{false};
    std::atomic<bool> finished{false};

private:
    HANDLE m_release;
};

// Ends when its stop event is signalled.
class StopEventWorker : public base_thread {
public:
    int Run() override { return WaitForSingleObject(StopEvent(), INFINITE) == WAIT_OBJECT_0 ? 5 : 6; }
};

class OneShotWorker : public base_thread {
public:
    int Run() override {
        runs.fetch_add(1);
        return 3;
    }
    std::atomic<int> runs{0};
};

// Pages of [from, to) in the working set; -1 when the system cannot say.
int ResidentPages(uintptr_t from, uintptr_t to) {
    std::vector<PSAPI_WORKING_SET_EX_INFORMATION> pages;
    for (uintptr_t at = from; at < to; at += 4096) {
        PSAPI_WORKING_SET_EX_INFORMATION page{};
        page.VirtualAddress = reinterpret_cast<void*>(at);
        pages.push_back(page);
    }
    if (pages.empty()) return 0;
    if (!QueryWorkingSetEx(GetCurrentProcess(), pages.data(),
                           static_cast<DWORD>(pages.size() * sizeof(pages[0]))))
        return -1;
    int resident = 0;
    for (const auto& page : pages) resident += page.VirtualAttributes.Valid ? 1 : 0;
    return resident;
}

// Fills a block deep in the stack and reads it back.
__attribute__((noinline)) bool GrowStack() {
    volatile unsigned char block[256 * 1024];
    for (size_t i = 0; i < sizeof block; i += 512) block[i] = static_cast<unsigned char>(i >> 9);
    for (size_t i = 0; i < sizeof block; i += 512)
        if (block[i] != static_cast<unsigned char>(i >> 9)) return false;
    return true;
}

// Looks at its own stack from inside the worker: what lies well below the
// frames it uses, right after the start, then whether it can still grow.
class StackWorker : public base_thread {
public:
    int Run() override {
        MEMORY_BASIC_INFORMATION region{};
        if (!VirtualQuery(&region, &region, sizeof region)) return 1;
        const uintptr_t here = reinterpret_cast<uintptr_t>(&region);
        const uintptr_t bottom = reinterpret_cast<uintptr_t>(region.AllocationBase);
        farBelow = here - bottom;
        residentFarBelow = ResidentPages(bottom, here - 2 * vt::kKeptStackBytes);
        grew = GrowStack();
        return 0;
    }
    uintptr_t farBelow = 0;
    int residentFarBelow = -2;
    bool grew = false;
};

}  // namespace

TEST(BaseThread, PostsRightAfterStartAreNotLostAndArriveInOrder) {
    QueueWorker w;
    ASSERT_TRUE(w.Start());
    for (WPARAM i = 1; i <= 5; ++i) EXPECT_TRUE(w.PostToThread(kTestMessage, i));
    w.Stop(false);
    EXPECT_EQ((std::vector<WPARAM>{1, 2, 3, 4, 5}), w.received);
    EXPECT_EQ(1, w.runs.load());
}

TEST(BaseThread, StartWhileHeldStartsNoSecondThread) {
    QueueWorker w;
    ASSERT_TRUE(w.Start());
    DWORD id = w.ThreadId();
    HANDLE h = w.ThreadHandle();
    EXPECT_NE(0u, id);
    EXPECT_TRUE(w.Start());
    EXPECT_EQ(id, w.ThreadId());
    EXPECT_EQ(h, w.ThreadHandle());
    w.Stop(false);
    EXPECT_EQ(1, w.runs.load());
    EXPECT_EQ(0u, w.ThreadId());
    EXPECT_EQ(nullptr, w.ThreadHandle());
}

TEST(BaseThread, StopWaitingReturnsOnlyAfterTheWorkerEnded) {
    QueueWorker w;
    ASSERT_TRUE(w.Start());
    vt::UniqueHandle dup = Duplicate(w.ThreadHandle());
    w.Stop(false);
    EXPECT_TRUE(w.finished.load());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(dup.Get(), 0));
    EXPECT_EQ(42u, ExitCodeOf(dup.Get()));  // Run's result is the thread's exit code
}

TEST(BaseThread, StopWithoutWaitReturnsWhileTheWorkerStillRuns) {
    vt::UniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    StubbornWorker w(release.Get());
    ASSERT_TRUE(w.Start());
    vt::UniqueHandle dup = Duplicate(w.ThreadHandle());
    w.Stop(true);
    EXPECT_FALSE(w.finished.load());
    EXPECT_EQ(nullptr, w.ThreadHandle());
    EXPECT_EQ(0u, w.ThreadId());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(w.StopEvent(), 0));
    SetEvent(release.Get());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(dup.Get(), kSafetyMs));
    EXPECT_TRUE(w.finished.load());
}

TEST(BaseThread, StopOnANeverStartedObjectOnlySignalsTheStopEvent) {
    OneShotWorker w;
    ASSERT_NE(nullptr, w.StopEvent());
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(w.StopEvent(), 0));
    w.Stop(false);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(w.StopEvent(), 0));
    EXPECT_EQ(nullptr, w.ThreadHandle());
    EXPECT_EQ(0, w.runs.load());
}

TEST(BaseThread, StopEventEndsABodyThatWaitsOnIt) {
    StopEventWorker w;
    ASSERT_TRUE(w.Start());
    vt::UniqueHandle dup = Duplicate(w.ThreadHandle());
    w.Stop(false);
    EXPECT_EQ(5u, ExitCodeOf(dup.Get()));
}

TEST(BaseThread, FinishedWorkerKeepsItsHandleUntilStopThenCanStartAgain) {
    OneShotWorker w;
    ASSERT_TRUE(w.Start());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(w.ThreadHandle(), kSafetyMs));
    // Finished, handle still held: Start does nothing.
    EXPECT_TRUE(w.Start());
    EXPECT_EQ(1, w.runs.load());
    w.Stop(false);
    EXPECT_EQ(nullptr, w.ThreadHandle());
    // Idle again: a new thread, with the stop event reset for it.
    ASSERT_TRUE(w.Start());
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(w.StopEvent(), 0));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(w.ThreadHandle(), kSafetyMs));
    EXPECT_EQ(2, w.runs.load());
    w.Stop(false);
}

TEST(BaseThread, PostAfterTheWorkerEndedFailsWithoutBlocking) {
    OneShotWorker w;
    ASSERT_TRUE(w.Start());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(w.ThreadHandle(), kSafetyMs));
    EXPECT_FALSE(w.PostToThread(kTestMessage, 1));
    w.Stop(false);
}

TEST(BaseThread, DestroyingAnObjectWhoseWorkerRunsEndsThatWorker) {
    vt::UniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    auto w = std::make_unique<StubbornWorker>(release.Get());
    ASSERT_TRUE(w->Start());
    ASSERT_TRUE(WaitUntil([&] { return w->started.load(); }, kSafetyMs));
    vt::UniqueHandle dup = Duplicate(w->ThreadHandle());
    w.reset();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(dup.Get(), kSafetyMs));
    EXPECT_EQ(0xFFFFFFFFu, ExitCodeOf(dup.Get()));
}

// Wine clears about 1 MiB of each new stack, which would stay resident:
// the worker gives back what lies below the frames it uses, and those pages
// stay usable.
TEST(BaseThread, WorkerHoldsNoStackFarBelowItsFramesAndCanStillGrowThere) {
    StackWorker w;
    ASSERT_TRUE(w.Start());
    w.Stop(false);
    ASSERT_GT(w.farBelow, 2 * vt::kKeptStackBytes + 256 * 1024);  // a stack deep enough to tell
    EXPECT_EQ(0, w.residentFarBelow);
    EXPECT_TRUE(w.grew);
}
