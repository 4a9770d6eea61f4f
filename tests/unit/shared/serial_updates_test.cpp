// The tray icon record's updates: in order, and nobody waits for another's slow send.
// Built under ThreadSanitizer too.
#include "shared/serial_updates.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qp {
namespace {

using namespace std::chrono_literals;

struct Record {
    int icon = 0;
    std::string balloon;
};

// A receiver that keeps what it got and can be made slow.
class SlowShell {
public:
    bool Send(char kind, const Record& record) {
        std::unique_lock<std::mutex> hold(lock_);
        received_.push_back(std::string(1, kind) + std::to_string(record.icon) + record.balloon);
        if (blockNext_) {
            blockNext_ = false;
            entered_.set_value();
            hold.unlock();
            release_.get_future().wait();
        }
        return answer_;
    }
    std::future<void> BlockNext() {
        std::lock_guard<std::mutex> hold(lock_);
        blockNext_ = true;
        return entered_.get_future();
    }
    void Release() { release_.set_value(); }
    void Answer(bool answer) {
        std::lock_guard<std::mutex> hold(lock_);
        answer_ = answer;
    }
    std::vector<std::string> Received() {
        std::lock_guard<std::mutex> hold(lock_);
        return received_;
    }

private:
    std::mutex lock_;
    std::vector<std::string> received_;
    bool blockNext_ = false;
    bool answer_ = true;
    std::promise<void> entered_, release_;
};

TEST(SerialUpdatesTest, AChangeMadeWhileTheShellIsSlowDoesNotWaitAndArrivesInOrder) {
    SlowShell shell;
    SerialUpdates<Record, char, bool> updates;
    auto send = [&shell](char kind, const Record& record) { return shell.Send(kind, record); };
    EXPECT_TRUE(updates.Update('a', [](Record&) {}, send));

    std::future<void> entered = shell.BlockNext();
    auto reportThread = std::async(std::launch::async, [&] {
        return updates.Update('m', [](Record& r) { r.icon = 150; }, send);
    });
    entered.wait();

    // The user-interface thread acknowledges while the report thread's send hangs.
    shell.Answer(false);
    auto uiThread = std::async(std::launch::async, [&] {
        return updates.Update('m', [](Record& r) { r.icon = 128; r.balloon = "-"; }, send);
    });
    ASSERT_EQ(uiThread.wait_for(2s), std::future_status::ready) << "the UI thread waited";
    EXPECT_TRUE(uiThread.get()) << "the latest answer known then";

    shell.Release();
    EXPECT_FALSE(reportThread.get()) << "the sender answers with its last send";
    EXPECT_EQ(shell.Received(), (std::vector<std::string>{"a0", "m150", "m128-"}));
}

TEST(SerialUpdatesTest, TheLastChangeCanBeAwaitedWhileAnotherThreadSendsIt) {
    SlowShell shell;
    SerialUpdates<Record, char, bool> updates;
    auto send = [&shell](char kind, const Record& record) { return shell.Send(kind, record); };
    std::future<void> entered = shell.BlockNext();
    auto reportThread = std::async(std::launch::async, [&] {
        return updates.Update('m', [](Record& r) { r.icon = 150; }, send);
    });
    entered.wait();
    updates.Update('d', [](Record&) {}, send);  // the icon's removal at shutdown
    EXPECT_FALSE(updates.WaitUntilSent(20ms)) << "the sender still hangs in the shell";
    shell.Release();
    EXPECT_TRUE(updates.WaitUntilSent(2s));
    EXPECT_EQ(shell.Received(), (std::vector<std::string>{"m150", "d150"}));
    reportThread.get();
}

TEST(SerialUpdatesTest, ChangesFromManyThreadsAreAllSentEachOnceAndInTheirOrder) {
    std::mutex lock;
    std::vector<int> sent;
    SerialUpdates<Record, char, bool> updates;
    auto send = [&](char, const Record& record) {
        std::lock_guard<std::mutex> hold(lock);
        sent.push_back(record.icon);
        return true;
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 500; ++i) updates.Update('m', [](Record& r) { ++r.icon; }, send);
        });
    for (std::thread& thread : threads) thread.join();
    ASSERT_EQ(sent.size(), 2000u);
    for (size_t i = 0; i < sent.size(); ++i) EXPECT_EQ(sent[i], static_cast<int>(i) + 1);
}

}  // namespace
}  // namespace qp
