// The threading contract of the library: one outstanding check at a time, each on a thread
// of its own, and exactly one report per started check, never before the start returned.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "mail_check.h"
#include "vrxmail/mail_request.h"

namespace vrxmail {

// Results of start() other than 0.
constexpr int32_t kStartInvalidRequest = 1;
constexpr int32_t kStartBusy = 2;
constexpr int32_t kStartNoThread = 3;  // no thread, or no memory, to be had

class CheckService {
 public:
  explicit CheckService(CheckContext context = {});
  ~CheckService();
  CheckService(const CheckService&) = delete;
  CheckService& operator=(const CheckService&) = delete;

  // GetNewMail.
  int32_t start(const MailRequest* request);
  // GetMailAbort: ends the network part of every running check within a bounded wait; their
  // reports still follow (10004) on their own threads.
  void abort();
  // CancelCallBack: aborts like abort() and withdraws every report not yet begun; 1 when at
  // least one was withdrawn, else 0.
  int32_t cancelCallbacks();
  // GetMailHeader: the summary line of the last report (see the exports for its form).
  int32_t lastReport(char* buffer, int32_t size) const;

  // The one service behind the exports; never destroyed, as its threads may outlive it.
  static CheckService& process();

  static constexpr std::chrono::milliseconds kAbortWait{2000};

 private:
  struct Check {
    CheckJob job;
    int32_t preparedResult = 0;  // a report known before any network work
    MailCallback callback = nullptr;
    std::string summaryPrefix;
    std::atomic<bool> abort{false};
    bool released = false;      // start() has returned
    bool networkDone = false;
    bool delivering = false;
    bool cancelled = false;
    bool threadDone = false;
    std::thread thread;
  };

  int32_t startValid(const MailRequest& request);
  CheckOutcome networkPart(Check& check) noexcept;
  void run(Check* check);

  CheckContext context_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::mutex deliveryMutex_;  // reports are delivered one at a time, in order
  std::list<std::unique_ptr<Check>> checks_;
  Check* outstanding_ = nullptr;
  std::string lastReport_;
};

}  // namespace vrxmail
