#pragma once
// A record that several threads change and hand to a slow receiver (the shell's
// notification area). Each change is sent in the order it was made, and no caller ever
// waits for another caller's send: a caller that finds a send under way leaves its
// change queued for that sender, which sends everything queued before it returns. The
// lock is held only while the record changes, never across a send. Portable: the
// receiver is a function object.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>

namespace qp {

template <class Record, class Kind, class Result>
class SerialUpdates {
public:
    // Changes the record under the lock and sends a copy of it with kind. Returns the
    // answer to this send, or, when another thread was sending, the latest answer
    // known.
    template <class Change, class Send>
    Result Update(Kind kind, Change change, Send send) {
        std::unique_lock<std::mutex> hold(lock_);
        change(record_);
        queued_.emplace_back(kind, record_);
        if (sending_) return latest_;
        sending_ = true;
        while (!queued_.empty()) {
            std::pair<Kind, Record> next = std::move(queued_.front());
            queued_.pop_front();
            hold.unlock();
            Result answer = send(next.first, next.second);
            hold.lock();
            latest_ = answer;
        }
        sending_ = false;
        idle_.notify_all();
        return latest_;
    }

    // Waits at most timeout until every change made so far has been sent; true when it
    // has. For the last change before the process ends, which another thread may still
    // be sending.
    bool WaitUntilSent(std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> hold(lock_);
        return idle_.wait_for(hold, timeout, [this] { return !sending_; });
    }

private:
    std::mutex lock_;
    std::condition_variable idle_;
    Record record_{};
    std::deque<std::pair<Kind, Record>> queued_;
    bool sending_ = false;
    Result latest_{};
};

}  // namespace qp
