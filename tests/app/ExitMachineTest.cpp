// The exit's state machine alone, through a stand-in for the window and the
// worker: which waits, restores and closes each case leads to, and that an
// exit asked for again while one is under way changes nothing.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "mainframe/ExitMachine.h"

namespace {

using State = CExitMachine::State;

class FakeHost : public CExitMachine::IHost {
public:
    bool pending = false;
    bool overclocked = false;
    bool stopOver = true;
    bool restoreWorks = true;      // the restore's result puts the defaults back
    bool resultInTime = true;      // a result arrives within the unseen wait
    std::function<void()> whileWaiting;  // runs inside the unseen wait, as a sent message would
    std::vector<std::string> calls;

    bool ResultPending() const override { return pending; }
    bool RestoreWanted() const override { return stopOver && overclocked; }
    bool StartRestore() override {
        calls.push_back("restore");
        pending = true;
        return true;
    }
    bool AtDefaults() const override { return !overclocked; }
    bool WaitForResult(DWORD) override {
        calls.push_back("wait");
        if (whileWaiting) whileWaiting();
        if (!resultInTime) return false;
        Arrive();
        return true;
    }
    void HideWindow() override { calls.push_back("hide"); }
    void RemoveTrayIcon() override { calls.push_back("untray"); }
    void ShowWaiting() override { calls.push_back("show waiting"); }
    void StopReminders() override { calls.push_back("stop reminders"); }
    void CloseWindow() override { calls.push_back("close"); }
    int Status() const override { return 0; }

    // The worker's result, as the window handles it; a restore's result
    // leaves the processor where restoreWorks says.
    void Arrive() {
        if (!pending) return;
        pending = false;
        if (lastWasRestore()) overclocked = !restoreWorks;
    }
    bool lastWasRestore() const {
        for (auto it = calls.rbegin(); it != calls.rend(); ++it)
            if (*it == "restore") return true;
        return false;
    }
};

using Calls = std::vector<std::string>;

}  // namespace

TEST(ExitMachine, EachStartingPointLeadsToItsWaitsRestoreAndClose) {
    struct Case {
        const char* what;
        bool pending, overclocked, stopOver, restoreWorks;
        Calls calls;
    } const cases[] = {
        {"at rest, at stock", false, false, true, true, {"hide", "close"}},
        {"overclocked, \"stopover\" 0", false, true, false, true, {"hide", "close"}},
        {"overclocked", false, true, true, true, {"hide", "untray", "restore", "wait", "close"}},
        {"overclocked, the restore fails", false, true, true, false, {"hide", "untray", "restore", "wait", "close"}},
        {"a run in flight, then at stock", true, false, true, true, {"hide", "wait", "close"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeHost host;
        host.pending = c.pending;
        host.overclocked = c.overclocked;
        host.stopOver = c.stopOver;
        host.restoreWorks = c.restoreWorks;
        CExitMachine exit(host);
        EXPECT_FALSE(exit.Exiting());
        exit.Begin();
        EXPECT_EQ(host.calls, c.calls);
        EXPECT_EQ(exit.Current(), State::Closing);
        EXPECT_FALSE(exit.WaitingSeen());
        // Asked again: nothing more happens.
        exit.Begin();
        exit.OnResult();
        EXPECT_EQ(host.calls, c.calls);
    }
}

TEST(ExitMachine, ARunThatOutlastsTheUnseenWaitIsWaitedForSeenThenTheRestoreFollows) {
    FakeHost host;
    host.pending = true;  // an overclock in flight
    host.resultInTime = false;
    CExitMachine exit(host);
    exit.Begin();
    EXPECT_EQ(host.calls, (Calls{"hide", "wait", "show waiting"}));
    EXPECT_EQ(exit.Current(), State::WaitingForRun);
    EXPECT_TRUE(exit.WaitingSeen());
    // Every other way out meanwhile, and reminders, change nothing.
    exit.Begin();
    exit.OnReminder();
    exit.OnResult();  // no result yet: still pending
    EXPECT_EQ(host.calls.size(), 3u);
    // The overclock's result: now overclocked, so the restore, whose result comes in time.
    host.resultInTime = true;
    host.pending = false;
    host.overclocked = true;
    exit.OnResult();
    EXPECT_EQ(host.calls, (Calls{"hide", "wait", "show waiting", "stop reminders", "untray", "restore", "wait",
                                 "close"}));
    EXPECT_EQ(exit.Current(), State::Closing);
    EXPECT_FALSE(host.overclocked);
}

TEST(ExitMachine, AnExitAskedForInsideTheWaitIsNotEnteredAgain) {
    // A sent WM_QUERYENDSESSION reaches the window while it waits for the
    // restore's result; it comes back to the machine, which is busy.
    FakeHost host;
    host.overclocked = true;
    CExitMachine exit(host);
    int reentered = 0;
    host.whileWaiting = [&] {
        ++reentered;
        exit.Begin();
        exit.OnResult();  // a result handled inside the wait is looked at when the wait returns
    };
    exit.Begin();
    EXPECT_EQ(reentered, 1);
    EXPECT_EQ(host.calls, (Calls{"hide", "untray", "restore", "wait", "close"}));
    EXPECT_EQ(exit.Current(), State::Closing);
}

TEST(ExitMachine, AResultAlreadyInIsNotWaitedForWhateverTheStatusSays) {
    // A failed overclock's notice keeps the status at 1 while it is up; its
    // result has arrived, so nothing is pending and the exit closes at once.
    FakeHost host;
    host.pending = false;
    CExitMachine exit(host);
    exit.Begin();
    EXPECT_EQ(host.calls, (Calls{"hide", "close"}));
}
