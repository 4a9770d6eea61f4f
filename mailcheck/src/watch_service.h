// The threading contract of the watch (StartMailWatch, StopMailWatch): at most one watch
// running, on a thread of its own; a stop ends its network work and its thread within a
// bounded wait, and no event is told after the stop has returned.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

#include "check_service.h"
#include "mailbox_watch.h"
#include "vrxmail/mail_request.h"

namespace vrxmail {

// Results of start() other than 0 (and kStartInvalidRequest, kStartNoThread).
constexpr int32_t kStartNotImap = 4;  // POP3 has no push

class WatchService {
 public:
  // times is asked at each start (the process's service reads the environment).
  explicit WatchService(WatchContext context = {},
                        std::function<WatchTimes()> times = watchTimesFromEnvironment);
  ~WatchService();
  WatchService(const WatchService&) = delete;
  WatchService& operator=(const WatchService&) = delete;

  // StartMailWatch: stops a running watch first.
  int32_t start(const MailRequest* request, MailWatchCallback notify);
  // StopMailWatch.
  void stop();
  // Whether a watch thread is still running (one that ended by itself is not).
  bool watching() const;

  // The one service behind the exports; never destroyed, as its threads may outlive it.
  static WatchService& process();

  static constexpr std::chrono::milliseconds kStopWait{2000};

 private:
  struct Watch {
    WatchRun run;
    MailWatchCallback notify = nullptr;
    std::atomic<bool> abort{false};
    bool threadDone = false;
    std::thread thread;
  };

  int32_t startValid(const MailRequest& request, MailWatchCallback notify);
  void stopAll();
  void run(Watch* watch);
  void tell(Watch& watch, int32_t event);
  bool rest(Watch& watch, std::chrono::milliseconds time);

  const WatchContext context_;
  const std::function<WatchTimes()> times_;
  std::mutex control_;  // one start or stop at a time
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::list<std::unique_ptr<Watch>> watches_;
};

}  // namespace vrxmail
