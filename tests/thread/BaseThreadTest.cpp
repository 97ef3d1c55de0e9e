#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <memory>
#include <vector>

#include "base/Win32Owners.h"
#include "thread/BaseThread.h"

namespace {

constexpr UINT kTestMessage = WM_APP + 7;
constexpr DWORD kSafetyMs = 20000;

vt::UniqueHandle Duplicate(HANDLE h) {
    vt::UniqueHandle dup;
    DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), dup.Put(), 0, FALSE, DUPLICATE_SAME_ACCESS);
    return dup;
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
    DWORD code = 0;
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(dup.Get(), 0));
    GetExitCodeThread(dup.Get(), &code);
    EXPECT_EQ(42u, code);  // Run's result is the thread's exit code
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
    DWORD code = 0;
    GetExitCodeThread(dup.Get(), &code);
    EXPECT_EQ(5u, code);
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
    while (!w->started.load()) Sleep(5);
    vt::UniqueHandle dup = Duplicate(w->ThreadHandle());
    w.reset();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(dup.Get(), kSafetyMs));
    DWORD code = 0;
    GetExitCodeThread(dup.Get(), &code);
    EXPECT_EQ(0xFFFFFFFFu, code);
}
