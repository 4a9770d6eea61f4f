#include "watch_service.h"

#include <optional>
#include <string>
#include <utility>

#include "ascii_text.h"
#include "finished_threads.h"
#include "server_address.h"

namespace vrxmail {

WatchService::WatchService(WatchContext context, std::function<WatchTimes()> times)
    : context_(std::move(context)), times_(std::move(times)) {}

WatchService::~WatchService() {
  stop();
  std::list<std::unique_ptr<Watch>> all;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    all.swap(watches_);
  }
  for (auto& w : all) {
    if (w->thread.joinable()) w->thread.join();
  }
}

WatchService& WatchService::process() {
  static WatchService* service = new WatchService();
  return *service;
}

int32_t WatchService::start(const MailRequest* request, MailWatchCallback notify) {
  if (request == nullptr || request->host == nullptr || request->user == nullptr ||
      request->password == nullptr || notify == nullptr ||
      (request->serverType != kPop3 && request->serverType != kImap)) {
    return kStartInvalidRequest;
  }
  if (request->serverType == kPop3) return kStartNotImap;
  // No exception leaves the library: without memory (or a thread) nothing is started.
  try {
    return startValid(*request, notify);
  } catch (...) {
    return kStartNoThread;
  }
}

int32_t WatchService::startValid(const MailRequest& request, MailWatchCallback notify) {
  std::lock_guard<std::mutex> control(control_);
  stopAll();
  const std::string host = request.host;
  // A host text a check would report as unreadable leaves a watch nothing to connect to.
  const std::optional<ServerAddress> address =
      isAscii(host) ? parseServerAddress(host, kImap) : std::nullopt;
  if (!address) return kStartInvalidRequest;

  auto watch = std::make_unique<Watch>();
  Watch* raw = watch.get();
  watch->notify = notify;
  WatchRun& run = watch->run;
  run.job.type = kImap;
  run.job.endpoint = address->endpoint;
  run.job.security = address->security;
  run.job.user = request.user;
  run.job.password = request.password;
  run.times = times_();
  run.abort = &watch->abort;
  run.notify = [this, raw](int32_t event) { tell(*raw, event); };

  std::lock_guard<std::mutex> lock(mutex_);
  watches_.push_back(std::move(watch));
  try {
    raw->thread = std::thread(&WatchService::run, this, raw);
  } catch (...) {
    watches_.pop_back();
    return kStartNoThread;
  }
  return 0;
}

void WatchService::run(Watch* watch) {
  try {
    runWatch(watch->run, context_,
             [this, watch](std::chrono::milliseconds time) { return rest(*watch, time); });
  } catch (...) {
    // Nothing thrown may end the process; the watch ends here instead.
  }
  std::lock_guard<std::mutex> lock(mutex_);
  watch->threadDone = true;
  changed_.notify_all();
}

// The check of the flag and the call are not under one lock, so that the callback may call
// back into the library; a stop waits for the thread, and so for a call under way.
void WatchService::tell(Watch& watch, int32_t event) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (watch.abort) return;
  }
  try {
    watch.notify(event);
  } catch (...) {
    // The caller's exception ends here; the watch goes on.
  }
}

bool WatchService::rest(Watch& watch, std::chrono::milliseconds time) {
  std::unique_lock<std::mutex> lock(mutex_);
  return !changed_.wait_for(lock, time, [&watch] { return watch.abort.load(); });
}

void WatchService::stop() {
  std::lock_guard<std::mutex> control(control_);
  stopAll();
}

void WatchService::stopAll() {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    for (auto& w : watches_) w->abort = true;
    changed_.notify_all();
    // A stop from inside the callback cannot wait for its own thread, which ends after it.
    const std::thread::id self = std::this_thread::get_id();
    changed_.wait_for(lock, kStopWait, [this, self] {
      for (auto& w : watches_) {
        if (!w->threadDone && w->thread.get_id() != self) return false;
      }
      return true;
    });
  }
  joinFinished(watches_, mutex_);
}

bool WatchService::watching() const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& w : watches_) {
    if (!w->threadDone) return true;
  }
  return false;
}

}  // namespace vrxmail
