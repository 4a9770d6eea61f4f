// The mail worker's decisions, pass by pass, and the worker on a thread of its own
// against a library that reports on another. Built under ThreadSanitizer too.
#include "mail/mail_poll_loop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <thread>

#include "device/device_codes.h"
#include "fakes/fake_device_port.h"
#include "fakes/fake_mail_poll.h"

namespace qp {
namespace {

using test::FakeDevicePort;
using test::FakeMailLibrary;
using test::FakePollClock;
using test::FakePollEvent;
using test::FakePower;
using test::FakeStatusStrip;
using namespace std::chrono_literals;

void ReportCallback(int32_t, int32_t) {}

class MailPollLoopTest : public ::testing::Test {
protected:
    MailPollLoopTest() {
        settings.Modify([](Settings& s) {
            s.MailPollTime = 5;
            s.ServerType = 1;
            s.MailHost = "plain:127.0.0.1:1143";
            s.MailUser = "alice";
            s.MailPwd = "secret";
            s.LastNewTimeStamp = "2026/12/01 12:00";
        });
    }

    void SetPolling(int32_t enabled) {
        settings.Modify([enabled](Settings& s) { s.MailPollEn = enabled; });
    }

    // What the program's report does with the worker's flags: the status text and the
    // LED first, then both flags cleared.
    void Report(int32_t newCount, int32_t resultCode = 0) {
        order.Report(status, "You have " + std::to_string(newCount) + " new emails");
        device.SendCommand(newCount ? kLedOn : kLedOff);
        requests.Reported(resultCode);
        EndCheck(flags);
        requests.WakeIfPending(event);
    }

    // The machine was woken by the timer: the resume asks for a poll and a re-suspend.
    void TimerWake() {
        RequestWakePoll(flags);
        event.Signal();
    }

    void UserResume() {
        test::FakeWakeTimer timer;
        OnPowerEvent(kResumeSuspend, settings.Copy(), timer, event, flags);
    }

    std::vector<uint32_t> PowerQueries() const {
        std::vector<uint32_t> queries;
        for (uint32_t command : device.Commands())
            if (command == kPowerQuery) queries.push_back(command);
        return queries;
    }

    SettingsStore settings;
    std::atomic<int32_t> stopWorkers{0}, pollNow{0}, pollBusy{0}, resuspendPending{0};
    MailPollFlags flags{stopWorkers, pollNow, pollBusy, resuspendPending};
    FakePollEvent event;
    FakePollClock clock;
    FakeMailLibrary library;
    FakeDevicePort device;
    FakePower power;
    FakeStatusStrip status;
    MailCheckGate gate{stopWorkers};
    MailStatusOrder order;
    CheckRequests requests;
    MailPollLoop loop{settings,
                      flags,
                      {event, clock, library, device, power, status, requests},
                      gate,
                      order,
                      &ReportCallback};
};

TEST_F(MailPollLoopTest, TheFirstPassPollsOnlyWithPeriodicPollingOn) {
    event.Signal();  // start-up signals before the worker exists
    ASSERT_TRUE(loop.Pass());
    EXPECT_EQ(library.CallCount(), 0u);

    SetPolling(1);
    event.Signal();
    ASSERT_TRUE(loop.Pass());
    ASSERT_EQ(library.CallCount(), 1u);
    const FakeMailLibrary::Call call = library.Calls()[0];
    EXPECT_EQ(call.serverType, 1);
    EXPECT_EQ(call.host, "plain:127.0.0.1:1143");
    EXPECT_EQ(call.user, "alice");
    EXPECT_EQ(call.password, "secret");
    EXPECT_EQ(call.since, "2026/12/01 12:00");
    EXPECT_EQ(call.reserved, 0);
    EXPECT_EQ(call.callback, &ReportCallback);
    EXPECT_EQ(pollBusy, 1);
    EXPECT_EQ(status.Last(), "Start to logon the server and get mails, please wait...");
    EXPECT_EQ(event.Waits(), (std::vector<uint32_t>{300000, 300000}));
}

TEST_F(MailPollLoopTest, PollNowChecksWithPeriodicPollingOff) {
    pollNow = 1;
    event.Signal();
    ASSERT_TRUE(loop.Pass());
    EXPECT_EQ(library.CallCount(), 1u);
    Report(0);
    event.timesOut = true;
    ASSERT_TRUE(loop.Pass());
    EXPECT_EQ(library.CallCount(), 1u) << "the report ended the request";
}

TEST_F(MailPollLoopTest, NoSecondCheckWhileOneIsOutstandingAndNoExtraOneAfterIt) {
    SetPolling(0);
    pollNow = 1;
    event.Signal();
    ASSERT_TRUE(loop.Pass());
    // The restamp command while the check is outstanding.
    pollNow = 1;
    event.Signal();
    ASSERT_TRUE(loop.Pass());
    EXPECT_EQ(library.CallCount(), 1u);
    EXPECT_EQ(pollNow, 1);

    Report(2);
    event.timesOut = true;
    ASSERT_TRUE(loop.Pass());
    EXPECT_EQ(library.CallCount(), 1u);
    EXPECT_EQ(status.Last(), "You have 2 new emails");
}

TEST_F(MailPollLoopTest, ThePeriodIsHeldToOneToLongestMinutes) {
    EXPECT_EQ(MailPollLoop::PeriodMs(0), 60000u);
    EXPECT_EQ(MailPollLoop::PeriodMs(-7), 60000u);
    EXPECT_EQ(MailPollLoop::PeriodMs(5), 300000u);
    EXPECT_EQ(MailPollLoop::PeriodMs(32767), 32767u * 60000u);
    EXPECT_EQ(MailPollLoop::PeriodMs(2147483647), 32767u * 60000u);
}

TEST_F(MailPollLoopTest, ARefusedCheckOutsideATimerWakeIsTriedAgainAtTheNextPeriod) {
    library.startResult = 2;
    pollNow = 1;
    event.Signal();
    ASSERT_TRUE(loop.Pass());
    EXPECT_EQ(pollBusy, 0);
    EXPECT_EQ(pollNow, 1);
    EXPECT_TRUE(status.Texts().empty()) << "a refused check shows nothing";
    event.timesOut = true;
    ASSERT_TRUE(loop.Pass());
    EXPECT_EQ(library.CallCount(), 2u);
}

TEST_F(MailPollLoopTest, WithoutGetNewMailEveryDuePollSaysSo) {
    library.present = false;
    SetPolling(1);
    event.timesOut = true;
    ASSERT_TRUE(loop.Pass());
    ASSERT_TRUE(loop.Pass());
    EXPECT_EQ(status.Texts(), (std::vector<std::string>{"[GetNewMail(Error)]: GetNewMail is NULL",
                                                        "[GetNewMail(Error)]: GetNewMail is NULL"}));
    EXPECT_EQ(pollBusy, 0);
}

class ResuspendTest : public MailPollLoopTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(ResuspendTest, AfterTheWakeUpPollTheReplyToThePowerQueryDecides) {
    const uint32_t reply = GetParam();
    device.powerReply = reply;
    TimerWake();
    ASSERT_TRUE(loop.Pass());
    ASSERT_EQ(library.CallCount(), 1u) << "polls with periodic polling off";

    // While the wake lasts the worker re-tests without waiting on the event.
    ASSERT_TRUE(loop.Pass());
    ASSERT_TRUE(loop.Pass());
    EXPECT_TRUE(event.Waits().empty());
    EXPECT_EQ(clock.pauses, 3);
    EXPECT_EQ(clock.lastPauseMs, MailPollLoop::kRetestPauseMs);
    EXPECT_TRUE(PowerQueries().empty());

    Report(1);
    ASSERT_TRUE(loop.Pass());
    EXPECT_EQ(device.Commands(), (std::vector<uint32_t>{kLedOn, kPowerQuery}));
    EXPECT_EQ(resuspendPending, 0);
    std::vector<FakePower::Kind> expected{FakePower::IdleWait};
    if (reply >= 1 && reply <= 3) expected.push_back(FakePower::Suspend);
    if (reply == 4) expected.push_back(FakePower::Hibernate);
    EXPECT_EQ(power.Calls(), expected);
    EXPECT_EQ(power.staysAwake, reply >= 1 && reply <= 4 ? 0 : 1)
        << "a machine that does not sleep again is awake, and the window hears of it";

    // Awake again: the worker waits for its period, and queries no more.
    event.timesOut = true;
    ASSERT_TRUE(loop.Pass());
    EXPECT_EQ(event.Waits().size(), 1u);
    EXPECT_EQ(PowerQueries().size(), 1u);
    EXPECT_EQ(library.CallCount(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Replies, ResuspendTest, ::testing::Values(0u, 1u, 2u, 3u, 4u, 5u));

TEST_F(MailPollLoopTest, ASuspendTheSystemRefusesLeavesTheMachineAwake) {
    device.powerReply = 1;
    power.refuses = true;
    TimerWake();
    ASSERT_TRUE(loop.Pass());
    Report(0);
    ASSERT_TRUE(loop.Pass());
    EXPECT_EQ(power.Calls(), (std::vector<FakePower::Kind>{FakePower::IdleWait, FakePower::Suspend}));
    EXPECT_EQ(power.staysAwake, 1);
}

TEST_F(MailPollLoopTest, WithPeriodicPollingOnANormalPollFollowsTheReturnFromSleep) {
    SetPolling(1);
    device.powerReply = 1;
    TimerWake();
    ASSERT_TRUE(loop.Pass());
    Report(0);
    ASSERT_TRUE(loop.Pass());
    EXPECT_EQ(power.Calls(), (std::vector<FakePower::Kind>{FakePower::IdleWait, FakePower::Suspend}));
    EXPECT_EQ(library.CallCount(), 2u);
}

TEST_F(MailPollLoopTest, ARefusedCheckDuringATimerWakeEndsTheWake) {
    library.startResult = 2;
    device.powerReply = 2;
    TimerWake();
    ASSERT_TRUE(loop.Pass());
    EXPECT_EQ(pollBusy, 0);
    EXPECT_EQ(pollNow, 0);
    ASSERT_TRUE(loop.Pass());
    EXPECT_EQ(library.CallCount(), 1u) << "no second try during the wake";
    EXPECT_EQ(PowerQueries().size(), 1u);
    EXPECT_EQ(power.Calls(), (std::vector<FakePower::Kind>{FakePower::IdleWait, FakePower::Suspend}));
}

TEST_F(MailPollLoopTest, WithoutGetNewMailATimerWakeStillEnds) {
    library.present = false;
    device.powerReply = 1;
    TimerWake();
    ASSERT_TRUE(loop.Pass());
    ASSERT_TRUE(loop.Pass());
    EXPECT_EQ(PowerQueries().size(), 1u);
    EXPECT_EQ(status.Texts().size(), 1u);
}

TEST_F(MailPollLoopTest, AUserResumeKeepsThePollButSendsNoPowerQuery) {
    TimerWake();
    resuspendPending = 0;  // the user woke the machine before the worker ran
    ASSERT_TRUE(loop.Pass());
    EXPECT_EQ(library.CallCount(), 1u);
    Report(0);
    event.timesOut = true;
    ASSERT_TRUE(loop.Pass());
    EXPECT_TRUE(PowerQueries().empty());
}

TEST_F(MailPollLoopTest, AStopSeenAfterTheWaitEndsTheWorker) {
    SetPolling(1);
    stopWorkers = 1;
    event.Signal();
    EXPECT_FALSE(loop.Pass());
    EXPECT_EQ(library.CallCount(), 0u);
}

// Shutdown may come while the worker is between its test of the stop flag and the
// check (here: while it puts the machine back to sleep); no check starts then.
TEST_F(MailPollLoopTest, NoCheckStartsOnceShutdownHasBegun) {
    SetPolling(1);
    device.powerReply = 1;
    power.onPowerState = [this] { gate.Stop(); };
    resuspendPending = 1;
    EXPECT_FALSE(loop.Pass());
    EXPECT_EQ(library.CallCount(), 0u);
    EXPECT_EQ(pollBusy, 0);
}

// ---- the window's and the report's stores interleaved with worker passes -----------

// A flag whose every store is followed by a whole worker pass.
struct SteppedFlag {
    std::atomic<int32_t>& flag;
    const std::function<void()>& afterStore;
    SteppedFlag& operator=(int32_t value) {
        flag = value;
        afterStore();
        return *this;
    }
};

struct SteppedFlags {
    SteppedFlag StopWorkers, PollNow, PollBusy, ResuspendPending;
};

class InterleavedPassTest : public MailPollLoopTest {
protected:
    InterleavedPassTest() {
        device.powerReply = 1;
        event.timesOut = true;
    }
    const std::function<void()> pass{[this] { ASSERT_TRUE(loop.Pass()); }};
    SteppedFlags stepped{{stopWorkers, pass}, {pollNow, pass}, {pollBusy, pass},
                         {resuspendPending, pass}};
};

TEST_F(InterleavedPassTest, AWakeChecksOnceAndSleepsOnlyAfterItsReport) {
    RequestWakePoll(stepped);
    EXPECT_EQ(library.CallCount(), 1u);
    EXPECT_TRUE(power.Calls().empty()) << "back to sleep before the wake's check";
    EndCheck(stepped);
    EXPECT_EQ(library.CallCount(), 1u) << "a second check in the same wake";
    EXPECT_EQ(power.Calls(), (std::vector<FakePower::Kind>{FakePower::IdleWait, FakePower::Suspend}));
}

TEST_F(InterleavedPassTest, AResumeByAnythingElseNeverPutsTheMachineBackToSleep) {
    resuspendPending = 1;
    pollNow = 1;
    CancelWakePoll(stepped);
    EXPECT_TRUE(PowerQueries().empty());
    EXPECT_TRUE(power.Calls().empty());
}

// The user opens the lid, or chooses Exit, while the worker waits for the program to be
// idle or for the reply to the power query.
TEST_F(MailPollLoopTest, AUserResumeOrAnExitDuringTheReSuspendKeepsTheMachineAwake) {
    device.powerReply = 1;
    TimerWake();
    ASSERT_TRUE(loop.Pass());
    Report(0);
    power.onIdleWait = [this] { UserResume(); };
    ASSERT_TRUE(loop.Pass());
    EXPECT_EQ(power.Calls(), (std::vector<FakePower::Kind>{FakePower::IdleWait}));
    EXPECT_EQ(resuspendPending, 0);

    TimerWake();
    ASSERT_TRUE(loop.Pass());
    Report(0);
    power.onIdleWait = [this] { gate.Stop(); };
    EXPECT_FALSE(loop.Pass());
    EXPECT_EQ(power.Calls(), (std::vector<FakePower::Kind>{FakePower::IdleWait, FakePower::IdleWait}));
    EXPECT_EQ(library.CallCount(), 2u);
}

// The watch's notifications ask for a check as if the period had ended; those that come
// while a check is out lead to one more check after its report, not one each.
TEST_F(MailPollLoopTest, NotificationsDuringACheckLeadToOneMoreCheckAfterIt) {
    SetPolling(1);
    requests.Ask(event);
    ASSERT_TRUE(loop.Pass());
    ASSERT_EQ(library.CallCount(), 1u);
    requests.Ask(event);
    requests.Ask(event);
    ASSERT_TRUE(loop.Pass());
    EXPECT_EQ(library.CallCount(), 1u) << "no second check while one is out";

    Report(1);
    ASSERT_TRUE(event.Pending()) << "the report wakes the worker for the request it kept";
    ASSERT_TRUE(loop.Pass());
    EXPECT_EQ(library.CallCount(), 2u);
    Report(0);
    EXPECT_FALSE(event.Pending()) << "that check served every request";
}

class ResumeRetryTest : public MailPollLoopTest {
protected:
    ResumeRetryTest() {
        SetPolling(1);
        requests.AskAfterResume(event);
        EXPECT_TRUE(loop.Pass());
        event.timesOut = true;
    }
    // Passes that are not woken, each after ms on the clock; the checks they started.
    size_t PassAfter(uint64_t ms) {
        clock.nowMs += ms;
        EXPECT_TRUE(loop.Pass());
        return library.CallCount();
    }
};

TEST_F(ResumeRetryTest, AnUnreachableServerIsTriedAgainSoonerAtFirstUntilACheckGetsThrough) {
    ASSERT_EQ(library.CallCount(), 1u);
    EXPECT_EQ(event.Waits().back(), 300000u);
    Report(0, 10065);
    EXPECT_EQ(PassAfter(0), 1u);
    EXPECT_EQ(event.Waits().back(), ResumeRetry::kLookMs) << "the worker looks often meanwhile";
    EXPECT_EQ(PassAfter(999), 1u);
    EXPECT_EQ(PassAfter(1), 2u) << "after 1 s";
    Report(0, 11001);
    EXPECT_EQ(PassAfter(0), 2u);
    EXPECT_EQ(PassAfter(1999), 2u);
    EXPECT_EQ(PassAfter(1), 3u) << "then after 2 s";
    EXPECT_EQ(PassAfter(60000), 3u) << "never while the check is out";
    Report(4);
    EXPECT_EQ(PassAfter(0), 3u);
    // A wait that times out now is the period's: its check is the periodic one.
    EXPECT_EQ(PassAfter(0), 4u);
    EXPECT_EQ(event.Waits().back(), 300000u) << "the period again, once a check got through";
}

TEST_F(ResumeRetryTest, AnAnswerOfTheServersEndsTheRetries) {
    Report(0, static_cast<int32_t>(0xE00C0102));
    EXPECT_EQ(PassAfter(0), 1u);
    PassAfter(0);
    EXPECT_EQ(event.Waits().back(), 300000u);
}

TEST_F(ResumeRetryTest, TheRetriesEndWithTheirWindowAndTheirPausesAreCapped) {
    std::vector<uint64_t> gaps;
    uint64_t waitedMs = 0, sinceLast = 0;
    do {
        ASSERT_LT(waitedMs, ResumeRetry::kWindowMs + 60000) << "the window never closed";
        const size_t before = library.CallCount();
        if (pollBusy == 1) Report(0, 10060);
        waitedMs += 500;
        sinceLast += 500;
        // The check of a wait as long as the period is the period's, not a retry.
        if (PassAfter(500) > before && event.Waits().back() == ResumeRetry::kLookMs) {
            gaps.push_back(sinceLast);
            sinceLast = 0;
        }
    } while (event.Waits().back() != 300000u);
    ASSERT_GE(gaps.size(), 8u);
    for (size_t i = 1; i < gaps.size(); ++i) EXPECT_GE(gaps[i], gaps[i - 1]);
    EXPECT_LE(gaps.back(), ResumeRetry::kLongestDelayMs + 1000);
    EXPECT_GE(waitedMs, ResumeRetry::kWindowMs);
}

TEST(MailCheckGateTest, TheStopWaitsForACheckBeingStartedAndNoneStartsAfterIt) {
    std::atomic<int32_t> stop{0};
    MailCheckGate gate(stop);
    std::promise<void> inStart, release;
    std::thread worker([&] {
        gate.StartUnlessStopped([&] {
            inStart.set_value();
            release.get_future().wait();
        });
    });
    inStart.get_future().wait();
    auto stopped = std::async(std::launch::async, [&] { gate.Stop(); });
    EXPECT_EQ(stopped.wait_for(50ms), std::future_status::timeout);
    EXPECT_EQ(stop, 0);
    release.set_value();
    stopped.wait();
    worker.join();
    EXPECT_EQ(stop, 1);
    bool ran = false;
    EXPECT_FALSE(gate.StartUnlessStopped([&] { ran = true; }));
    EXPECT_FALSE(ran);
}

// ---- the worker on a thread of its own ----------------------------------------------

class MailPollWorkerThreadTest : public MailPollLoopTest {
protected:
    void StartWorker() {
        worker = std::thread([this] { exitCode = loop.Run(); });
    }
    // The window's destroy handler: stop under the gate, then wake the worker.
    void Shutdown() {
        gate.Stop();
        event.Signal();
    }
    template <class Predicate>
    static bool Within(std::chrono::milliseconds limit, Predicate holds) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!holds()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }
    ~MailPollWorkerThreadTest() override {
        if (worker.joinable()) {
            Shutdown();
            worker.join();
        }
    }

    std::thread worker;
    std::atomic<int> exitCode{-1};
};

TEST_F(MailPollWorkerThreadTest, AWholeWakeUpCycleEndsInThePowerQueryAfterTheReport) {
    device.powerReply = 3;
    // The library reports on a thread of its own once the start has returned.
    std::thread reporter;
    library.onStart = [&] {
        reporter = std::thread([this] {
            std::this_thread::sleep_for(20ms);
            Report(1);
        });
    };
    StartWorker();
    TimerWake();
    ASSERT_TRUE(Within(5000ms, [&] { return power.Calls().size() == 2; }));
    reporter.join();
    EXPECT_EQ(device.Commands(), (std::vector<uint32_t>{kLedOn, kPowerQuery}));
    EXPECT_EQ(power.Calls(), (std::vector<FakePower::Kind>{FakePower::IdleWait, FakePower::Suspend}));
    EXPECT_EQ(library.CallCount(), 1u);
    EXPECT_EQ(status.Last(), "You have 1 new emails");
    Shutdown();
    worker.join();
    EXPECT_EQ(exitCode, 0);
}

TEST_F(MailPollWorkerThreadTest, ShutdownWhileACheckIsOutstandingEndsTheWorkerPromptly) {
    SetPolling(1);
    event.Signal();
    StartWorker();
    ASSERT_TRUE(Within(5000ms, [&] { return library.CallCount() == 1; }));
    // The server stays silent: no report comes.
    const auto started = std::chrono::steady_clock::now();
    Shutdown();
    worker.join();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1000ms);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(library.CallCount(), 1u);
}

TEST_F(MailPollWorkerThreadTest, ShutdownDuringAWakeUpPollEndsTheWorkerWithoutAPowerQuery) {
    StartWorker();
    TimerWake();
    ASSERT_TRUE(Within(5000ms, [&] { return library.CallCount() == 1; }));
    Shutdown();
    worker.join();
    EXPECT_TRUE(PowerQueries().empty());
}

// A report on the library's thread writes the status strip while the worker is inside
// GetNewMail: the order's lock is not held across the library call.
TEST_F(MailPollWorkerThreadTest, AReportIsWrittenWhileTheWorkerIsInsideTheLibrary) {
    SetPolling(1);
    std::atomic<bool> reportWritten{false};
    std::atomic<bool> writtenWhileInside{false};
    std::atomic<bool> libraryReturned{false};
    library.onStart = [&] {
        std::thread earlierReport([&] {
            order.Report(status, "an earlier check's report");
            reportWritten = true;
        });
        writtenWhileInside = Within(2000ms, [&] { return reportWritten.load(); });
        earlierReport.join();
        libraryReturned = true;
    };
    event.Signal();
    StartWorker();
    // The call is counted before the library runs onStart: wait for it to return.
    ASSERT_TRUE(Within(5000ms, [&] { return libraryReturned.load(); }));
    ASSERT_TRUE(Within(5000ms, [&] { return pollBusy == 1 && !status.Texts().empty(); }));
    EXPECT_TRUE(writtenWhileInside);
}

TEST(MailStatusOrderTest, TheAnnouncementNeverOverwritesItsChecksReport) {
    FakeStatusStrip status;
    MailStatusOrder order;
    order.CheckStarting();
    order.Report(status, "report one");
    order.Announce(status, "please wait");
    EXPECT_EQ(status.Texts(), (std::vector<std::string>{"report one"}));

    order.CheckStarting();
    order.Announce(status, "please wait");
    order.Report(status, "report two");
    EXPECT_EQ(status.Texts(), (std::vector<std::string>{"report one", "please wait", "report two"}));
}

}  // namespace
}  // namespace qp
