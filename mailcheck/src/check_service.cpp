#include "check_service.h"

#include <cstring>
#include <new>
#include <system_error>

#include "ascii_text.h"
#include "finished_threads.h"
#include "server_address.h"
#include "local_time.h"
#include "result_codes.h"
#include "since_stamp.h"

namespace vrxmail {

CheckService::CheckService(CheckContext context) : context_(std::move(context)) {}

CheckService::~CheckService() {
  std::list<std::unique_ptr<Check>> all;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& c : checks_) c->abort = true;
    all.swap(checks_);
  }
  for (auto& c : all) {
    if (c->thread.joinable()) c->thread.join();
  }
}

CheckService& CheckService::process() {
  static CheckService* service = new CheckService();
  return *service;
}

int32_t CheckService::start(const MailRequest* request) {
  if (request == nullptr || request->host == nullptr || request->user == nullptr ||
      request->password == nullptr || request->sinceStamp == nullptr ||
      request->callback == nullptr ||
      (request->serverType != kPop3 && request->serverType != kImap)) {
    return kStartInvalidRequest;
  }
  // No exception leaves the library: without memory (or a thread) nothing is started.
  try {
    return startValid(*request);
  } catch (...) {
    return kStartNoThread;
  }
}

int32_t CheckService::startValid(const MailRequest& request) {
  joinFinished(checks_, mutex_);
  std::unique_lock<std::mutex> lock(mutex_);
  if (outstanding_ != nullptr) return kStartBusy;

  auto check = std::make_unique<Check>();
  check->callback = request.callback;
  check->job.type = static_cast<ServerType>(request.serverType);
  check->job.user = request.user;
  check->job.password = request.password;
  const std::string stamp = request.sinceStamp;
  const std::string host = request.host;
  check->summaryPrefix = std::string(check->job.type == kImap ? "IMAP " : "POP3 ");
  const std::optional<ServerAddress> address = parseServerAddress(host, check->job.type);
  const std::optional<CivilTime> civil = parseSinceStamp(stamp);
  const std::optional<int64_t> since = civil ? epochFromLocal(*civil) : std::nullopt;
  if (!isAscii(host)) {
    // A name goes to the resolver and into the certificate check in its ASCII form; what
    // an 8-bit text of the system's code page would become there is anyone's guess.
    check->preparedResult = kHostNotAscii;
    check->summaryPrefix += host;
  } else if (!address) {
    check->preparedResult = kWsaHostNotFound;
    check->summaryPrefix += host;
  } else {
    check->job.endpoint = address->endpoint;
    check->job.security = address->security;
    check->summaryPrefix += describe(*address);
  }
  check->summaryPrefix += " since " + stamp;
  if (!since) {
    check->preparedResult = check->preparedResult != 0 ? check->preparedResult : kWsaInvalidArgument;
  } else {
    check->job.since = *since;
  }

  Check* raw = check.get();
  checks_.push_back(std::move(check));
  outstanding_ = raw;
  try {
    raw->thread = std::thread(&CheckService::run, this, raw);
  } catch (...) {
    checks_.pop_back();
    outstanding_ = nullptr;
    return kStartNoThread;
  }
  // The report waits for this: the caller announces the check only after the return.
  raw->released = true;
  changed_.notify_all();
  return 0;
}

// No failure of one check may end the caller's process: everything is caught here.
CheckOutcome CheckService::networkPart(Check& check) noexcept {
  CheckOutcome outcome{check.preparedResult, 0};
  if (outcome.result != 0) return outcome;
  try {
    CheckContext context = context_;
    context.abort = &check.abort;
    outcome = runCheck(check.job, context);
  } catch (const std::bad_alloc&) {
    outcome = {kWsaNoBuffers, 0};
  } catch (...) {
    outcome = {kBadCommandResponse, 0};
  }
  if (check.abort && outcome.result != 0) outcome.result = kWsaInterrupted;
  return outcome;
}

void CheckService::run(Check* check) {
  const CheckOutcome outcome = networkPart(*check);
  {
    std::unique_lock<std::mutex> lock(mutex_);
    check->networkDone = true;
    if (outstanding_ == check) outstanding_ = nullptr;
    changed_.notify_all();
    changed_.wait(lock, [check] { return check->released; });
  }
  {
    std::lock_guard<std::mutex> delivery(deliveryMutex_);
    bool deliver = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      deliver = !check->cancelled;
      check->delivering = deliver;
      try {
        lastReport_ = check->summaryPrefix + ": result " + std::to_string(outcome.result) +
                      " new " + std::to_string(outcome.newCount) +
                      (deliver ? "" : " (report withdrawn)");
      } catch (...) {
        lastReport_.clear();  // no line rather than the line of an earlier check
      }
    }
    if (deliver) {
      try {
        check->callback(outcome.newCount, outcome.result);
      } catch (...) {
        // The caller's exception ends here; the check still ends in order.
      }
    }
  }
  std::lock_guard<std::mutex> lock(mutex_);
  check->threadDone = true;
  changed_.notify_all();
}

void CheckService::abort() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (auto& c : checks_) c->abort = true;
  // Only the network part is waited for: a report may need the caller's own thread.
  changed_.wait_for(lock, kAbortWait, [this] {
    for (auto& c : checks_) {
      if (!c->networkDone) return false;
    }
    return true;
  });
}

int32_t CheckService::cancelCallbacks() {
  int32_t withdrawn = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& c : checks_) {
      if (!c->delivering && !c->threadDone && !c->cancelled) {
        c->cancelled = true;
        ++withdrawn;
      }
    }
  }
  abort();
  return withdrawn > 0 ? 1 : 0;
}

int32_t CheckService::lastReport(char* buffer, int32_t size) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (lastReport_.empty()) return -1;
  const int32_t length = static_cast<int32_t>(lastReport_.size());
  if (buffer != nullptr && size > 0) {
    const std::size_t n = std::min<std::size_t>(lastReport_.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, lastReport_.data(), n);
    buffer[n] = '\0';
  }
  return length;
}

}  // namespace vrxmail
