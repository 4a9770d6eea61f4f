// Collects the reports the library delivers through its plain function-pointer callback.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace vrxmail::testing {

struct Report {
  int32_t newCount = 0;
  int32_t result = 0;
  std::thread::id thread;
};

class ReportSink {
 public:
  static ReportSink& instance();
  static void onReport(int32_t newCount, int32_t resultCode);

  void reset();
  // The next report not yet taken, waiting at most the limit.
  std::optional<Report> take(std::chrono::milliseconds limit = std::chrono::seconds(20));
  std::size_t delivered() const;
  // While blocked, every report waits in the callback until released.
  void block();
  void release();

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Report> reports_;
  std::size_t taken_ = 0;
  bool blocked_ = false;
};

}  // namespace vrxmail::testing
