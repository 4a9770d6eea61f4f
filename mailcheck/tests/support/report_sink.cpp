#include "support/report_sink.h"

namespace vrxmail::testing {

ReportSink& ReportSink::instance() {
  static ReportSink sink;
  return sink;
}

void ReportSink::onReport(int32_t newCount, int32_t resultCode) {
  ReportSink& s = instance();
  std::unique_lock<std::mutex> lock(s.mutex_);
  s.reports_.push_back({newCount, resultCode, std::this_thread::get_id()});
  s.changed_.notify_all();
  s.changed_.wait(lock, [&s] { return !s.blocked_; });
}

void ReportSink::reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  reports_.clear();
  taken_ = 0;
  blocked_ = false;
}

std::optional<Report> ReportSink::take(std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!changed_.wait_for(lock, limit, [this] { return reports_.size() > taken_; })) {
    return std::nullopt;
  }
  return reports_[taken_++];
}

std::size_t ReportSink::delivered() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return reports_.size();
}

void ReportSink::block() {
  std::lock_guard<std::mutex> lock(mutex_);
  blocked_ = true;
}

void ReportSink::release() {
  std::lock_guard<std::mutex> lock(mutex_);
  blocked_ = false;
  changed_.notify_all();
}

}  // namespace vrxmail::testing
